// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a project load does beyond the model, once the loaded state is in
// place: the click handlers of check boxes whose state the file changed,
// the fresh table upload, the Enter action and the repaint requests. The
// files layer knows neither the device nor the run control; the run layer
// implements these with them. ModelLoadHooks does the model's part alone,
// for tests and the headless tool.

#include "model/MainView.h"
#include "model/SinusRecord.h"

namespace tonvera {

class MainForm;

class ProjectLoadHooks {
public:
    virtual ~ProjectLoadHooks() = default;

    // The file changed the state of this check box: its click handler
    // (ExternStart: ExternStartClick; the eight display boxes: PreDampExit;
    // "Unendlich" and "Durchlaufen" have none).
    virtual void CheckBoxClicked(CheckBox box) = 0;
    // Clears the device's TableCache and calls LoadTable for each slot with
    // the loaded table (nothing is sent while the port is closed).
    virtual void ReloadTables(const SinusArray& signals) = 0;
    // Redraw request for the parameter info panel (ParInfo).
    virtual void RepaintParInfo() = 0;
    // FreqKeyPress with Enter and no sender: commits, re-checks and redraws.
    virtual void EnterAction() = 0;
};

// Without a device: ExternStartClick only enables the 50 ms timer through
// the view, PreDampExit and the Enter action are the model's commit key,
// no tables are sent and ParInfo is left to the view's next paint.
class ModelLoadHooks : public ProjectLoadHooks {
public:
    explicit ModelLoadHooks(MainForm& form) : Form(form) {}

    void CheckBoxClicked(CheckBox box) override;
    void ReloadTables(const SinusArray&) override {}
    void RepaintParInfo() override {}
    void EnterAction() override;

protected:
    MainForm& Form;
};

} // namespace tonvera
