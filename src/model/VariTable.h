// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The variable table: 21 slots, each an ordered list of texts. In a slot in
// use item 0 is the variable's name and items 1.. its values as typed. The
// slots in use are always 0..k-1: adding takes the lowest empty slot and
// deleting moves the later slots down.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tonvera {

class Dialogs;

class VariTable {
public:
    static constexpr int SlotCount = 21;
    // Values of one variable (its positions), besides its name. Far beyond
    // any experiment; a project file with more is refused rather than read
    // into the memory, and a variable with more is not saved.
    static constexpr int MaxValues = 100000;
    using Slot = std::vector<std::string>;

    [[nodiscard]] const Slot& slot(int index) const;
    // Direct access for the editor grid and the project loader, which write
    // values in place. Throws ListIndexError outside 0..20.
    Slot& slot(int index);
    [[nodiscard]] const std::array<Slot, SlotCount>& slots() const { return slots_; }

    [[nodiscard]] bool inUse(int index) const { return !slot(index).empty(); }
    // Number of slots in use (they are 0..count-1).
    [[nodiscard]] int variableCount() const;

    // Empties all 21 slots ("Neu").
    void Clear();

    // True when some slot in use has this name under ASCII case folding.
    [[nodiscard]] bool NameExists(std::string_view name) const;
    // The slot the parameter evaluation reads for this name: the last slot
    // whose name matches, or -1.
    [[nodiscard]] int LookupSlot(std::string_view name) const;
    // The lowest matching slot (the one a delete removes), or -1.
    [[nodiscard]] int FirstSlot(std::string_view name) const;
    // The lowest empty slot, or -1 when all 21 are in use.
    [[nodiscard]] int LowestEmptySlot() const;

    // Number of positions: the item count of slot 0 minus 1 (-1 when there
    // are no variables, so loops over positions run zero times).
    [[nodiscard]] int PositionCount() const;

    // The text of slot `slotIndex` at variable position `position`;
    // position 0 reads item 1. A position beyond the slot's last value (or a
    // negative one) throws ListIndexError with the item index asked for.
    const std::string& ValueText(int slotIndex, std::int32_t position) const;

    // The name rules of a new variable: not empty, not starting with a digit,
    // not already present.
    [[nodiscard]] bool IsValidNewName(std::string_view name) const;

    // Adds a variable with the given name in the lowest empty slot. Reports
    // "Keine weiteren Variablen möglich!" or "Ungültiger Variablenbezeichner!"
    // (title "Achtung") and returns false when it cannot.
    bool AddVariable(std::string_view name, Dialogs& dialogs);
    // The whole "Neu" command of the variables editor: with all slots in use
    // the message comes without asking; otherwise the input box asks for the
    // name (cancel gives the empty text, which is refused).
    bool AskAndAddVariable(Dialogs& dialogs);

    // Deletes the variable of that name (lowest matching slot), moving every
    // later slot down by one. "Variable nicht vorhanden" when there is none.
    bool DeleteVariable(std::string_view name, Dialogs& dialogs);
    // The whole "Löschen" command: asks for the name, then deletes.
    bool AskAndDeleteVariable(Dialogs& dialogs);

    friend bool operator==(const VariTable&, const VariTable&) = default;

private:
    std::array<Slot, SlotCount> slots_;
};

} // namespace tonvera
