// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Undo and redo of the operator's work, and whether it still matches the
// file it came from. The history holds whole values of the signal set, not
// inverse commands: a value cannot drift from what the window showed, and a
// command that was aborted half way is undone as exactly as a complete one.
// Wave tables are shared between values while they are equal, so a hundred
// steps of text edits cost texts, not megabytes.
//
// Nothing here talks to the device: undoing changes the working state only,
// and the next download sends whatever the state then is.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/ProjectFile.h"
#include "model/EichTable.h"
#include "model/MainState.h"
#include "model/SinusRecord.h"
#include "model/VariTable.h"

namespace tonvera {

// The signal set as the operator edits it: what a project file holds, plus
// the calibration table, whose editor is undone step by step as well.
struct SignalSetSnapshot {
    struct Signal {
        std::array<std::string, 7> Texts;
        std::int32_t TabTyp = 0;
        double TabPara = 0.0;
        bool Used = false;
        std::shared_ptr<const WaveTable> Table;

        friend bool operator==(const Signal& a, const Signal& b);
    };

    std::array<Signal, SignalSlots> Signals;
    std::int32_t SelectedSignal = -1;
    tonvera::VariTable VariTable;
    bool TastHigh = false;
    ProjectGlobals Globals;
    tonvera::EichTable EichTable;

    // Equal in everything a project file stores (the calibration table is
    // not part of the project).
    [[nodiscard]] bool sameProject(const SignalSetSnapshot& other) const;
    friend bool operator==(const SignalSetSnapshot& a, const SignalSetSnapshot& b)
    {
        return a.sameProject(b) && a.EichTable == b.EichTable;
    }
};

// The current set. Tables equal to those of `previous` share its copies.
[[nodiscard]] SignalSetSnapshot TakeSnapshot(const MainState& state, const ProjectGlobals& globals,
                                             const SignalSetSnapshot* previous = nullptr);
// Puts the set back into the state; the run bookkeeping (position, repeats,
// overflow) stays. The globals are the caller's to put into the view.
void RestoreSnapshot(const SignalSetSnapshot& snapshot, MainState& state);

// The name of the step from `before` to `after` as the edit menu shows it:
// "Neues Signal", "Signal 3 löschen" (signals counted from 1, as the table
// uploads count them), "Frequenz ändern" (the parameter's name), "Signaltyp
// ändern", "Trägerfaktor ändern", "Parameter ändern" (several texts of a
// signal), "Signale ändern", "Variablen ändern", "Globale Parameter ändern",
// "Ausgabeoptionen ändern", "Anzeige ändern", "Kalibrierung ändern",
// "Externes Starten ändern". A signal set copied by the operator is named by
// the caller, which knows the command.
[[nodiscard]] std::string StepLabel(const SignalSetSnapshot& before, const SignalSetSnapshot& after);

class EditHistory {
public:
    // At most `limit` steps are kept; the oldest go first.
    explicit EditHistory(std::size_t limit = 100);

    // A new start (program start, "Neu", a project loaded): no steps, and
    // the set counts as unchanged.
    void reset(SignalSetSnapshot current);

    // After a command: records a step named `label` when the set differs
    // from the last value. A change of the selection alone is no step of its
    // own; it is kept with the current value. Returns whether a step was
    // recorded.
    bool record(const std::string& label, SignalSetSnapshot now);

    [[nodiscard]] bool canUndo() const { return Cursor > 0; }
    [[nodiscard]] bool canRedo() const { return Cursor + 1 < Values.size(); }
    // The names of the steps undo and redo would take back or repeat.
    [[nodiscard]] const std::string& undoLabel() const;
    [[nodiscard]] const std::string& redoLabel() const;
    // Move one step and return the value to put in place. Only when
    // canUndo() / canRedo().
    const SignalSetSnapshot& undo();
    const SignalSetSnapshot& redo();

    [[nodiscard]] const SignalSetSnapshot& current() const { return Values[Cursor]; }

    // The current value is what the file now holds (after a save).
    void markSaved() { Saved = Values[Cursor]; }
    // No file holds the current value (a project restored after a crash):
    // it counts as modified until it is saved.
    void markUnsaved() { Saved.reset(); }
    // The project differs from the file last loaded or saved.
    [[nodiscard]] bool modified() const { return !Saved || !Values[Cursor].sameProject(*Saved); }

private:
    std::size_t Limit;
    // Values[0] is the start; Labels[i] names the step from Values[i - 1]
    // to Values[i] (Labels[0] is unused).
    std::vector<SignalSetSnapshot> Values;
    std::vector<std::string> Labels;
    std::size_t Cursor = 0;
    std::optional<SignalSetSnapshot> Saved;
};

} // namespace tonvera
