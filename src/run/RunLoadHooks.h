// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The steps after a project load that reach the device and the run control:
// checking "Externes Starten" from a file runs its click handler, and every
// table goes to the device afresh (with the port open).

#include "device/TTonvera.h"
#include "files/ProjectLoadHooks.h"
#include "run/RunControl.h"

namespace tonvera {

class RunLoadHooks : public ModelLoadHooks {
public:
    RunLoadHooks(MainForm& form, TTonvera& device, RunControl& run) : ModelLoadHooks(form), Device(device), Run(run) {}

    void CheckBoxClicked(CheckBox box) override;
    // Clears the cache, then LoadTable for each slot; the progress of an
    // upload shows in status panel 1, which gets its text back afterwards.
    void ReloadTables(const SinusArray& signals) override;

private:
    TTonvera& Device;
    RunControl& Run;
};

} // namespace tonvera
