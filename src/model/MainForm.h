// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window without its toolkit: the signal set, the variable and
// calibration tables, the variable position and the commands that move
// texts between the records and the edits. The Qt window implements
// MainView and forwards its events here.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "model/Dialogs.h"
#include "model/MainState.h"
#include "model/MainView.h"
#include "model/ParamEvaluator.h"

namespace tonvera {

// What "Neu" does to the working state: variables emptied, every slot unused
// with the default texts (tables, types and AM multiples stay), no signal
// selected. The window's "Neu" and a project's reset before a load share it.
void ResetToNew(MainState& state);

// The texts "Neu" puts into the global parameters' edits, in this order;
// "Unendlich" is cleared beside them and the order becomes ascending.
struct NewGlobalText {
    EditField field;
    std::string_view text;
};
inline constexpr std::array<NewGlobalText, 4> NewGlobalTexts = {{
    {EditField::Signaldauer, "1000"},
    {EditField::Triggerstart, "100"},
    {EditField::Triggerstop, "900"},
    {EditField::EndDamp, "0"},
}};

class MainForm {
public:
    // Starts as the window does after creation: no signal selected,
    // position 1, empty tables, and "Neu" applied to the view.
    MainForm(MainView& view, Dialogs& dialogs);

    MainState& state() { return state_; }
    [[nodiscard]] const MainState& state() const { return state_; }
    // Puts a whole new state in place (the project loader, after a complete
    // read into a copy).
    void replaceState(MainState next) { state_ = std::move(next); }

    MainView& view() { return view_; }
    Dialogs& dialogs() { return dialogs_; }

    // The number of records in use, wherever they lie.
    [[nodiscard]] std::int32_t SignalCount() const { return UsedCount(state_.SinusArray); }
    // The local edits are enabled exactly while a signal exists.
    void EnableLocalEdits();
    // Stores the typed texts, range-checked, in the selected record, sets its
    // type from the radio buttons, and rewrites the global edits with their
    // checked texts. An error in one field ends it there: earlier fields are
    // stored, that one and the later ones are not.
    void CommitEdits();
    // Shows the selected record in the local edits and the type buttons.
    void ShowSignal();
    // "Neu": clears "Unendlich", empties the variables, resets the texts of
    // all eight slots (tables, types and AM multiples stay) and the global
    // parameters, selects nothing.
    void Neu1Click(); // "&Neu" of "&Datei"

    // Parameter evaluation at the current position, reporting through the
    // dialogs (see ParamEvaluator).
    double OperandValue(std::string_view text) const;
    EvalResult EvalParam(std::string_view text) const;
    double ParamValue(std::string_view text) const;
    std::string RangeCheck(std::string_view text, int index) const;
    [[nodiscard]] std::string VariableRef(std::string_view text) const;

    // An evaluator bound to this form's table, position and dialogs.
    [[nodiscard]] ParamEvaluator evaluator() const
    {
        return ParamEvaluator(state_.VariTable, state_.VariPos, dialogs_);
    }

    // The selected record; throws RangeError when SelectedSignal is not 0..7.
    SinusRecord& SelectedRecord();
    // Record i; throws RangeError outside 0..7.
    SinusRecord& Record(int index);

private:
    MainView& view_;
    Dialogs& dialogs_;
    MainState state_;
};

} // namespace tonvera
