// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/VariTable.h"

#include "model/Dialogs.h"
#include "model/Errors.h"
#include "model/Numbers.h"

namespace tonvera {

const VariTable::Slot& VariTable::slot(int index) const
{
    if (index < 0 || index >= SlotCount)
        throw ListIndexError(index);
    return slots_[static_cast<std::size_t>(index)];
}

VariTable::Slot& VariTable::slot(int index)
{
    if (index < 0 || index >= SlotCount)
        throw ListIndexError(index);
    return slots_[static_cast<std::size_t>(index)];
}

int VariTable::variableCount() const
{
    int n = 0;
    for (const Slot& s : slots_)
        if (!s.empty())
            ++n;
    return n;
}

void VariTable::Clear()
{
    for (Slot& s : slots_)
        s.clear();
}

bool VariTable::NameExists(std::string_view name) const { return FirstSlot(name) >= 0; }

int VariTable::LookupSlot(std::string_view name) const
{
    int found = -1;
    for (int k = 0; k < SlotCount; ++k) {
        const Slot& s = slots_[static_cast<std::size_t>(k)];
        if (!s.empty() && AsciiEqualNoCase(s[0], name))
            found = k;
    }
    return found;
}

int VariTable::FirstSlot(std::string_view name) const
{
    for (int k = 0; k < SlotCount; ++k) {
        const Slot& s = slots_[static_cast<std::size_t>(k)];
        if (!s.empty() && AsciiEqualNoCase(s[0], name))
            return k;
    }
    return -1;
}

int VariTable::LowestEmptySlot() const
{
    for (int k = 0; k < SlotCount; ++k)
        if (slots_[static_cast<std::size_t>(k)].empty())
            return k;
    return -1;
}

int VariTable::PositionCount() const { return static_cast<int>(slots_[0].size()) - 1; }

const std::string& VariTable::ValueText(int slotIndex, std::int32_t position) const
{
    const Slot& s = slot(slotIndex);
    const long item = position == 0 ? 1 : static_cast<long>(position);
    if (item < 0 || item >= static_cast<long>(s.size()))
        throw ListIndexError(item);
    return s[static_cast<std::size_t>(item)];
}

bool VariTable::IsValidNewName(std::string_view name) const
{
    if (name.empty())
        return false;
    if (name[0] >= '0' && name[0] <= '9')
        return false;
    return !NameExists(name);
}

bool VariTable::AddVariable(std::string_view name, Dialogs& dialogs)
{
    const int free = LowestEmptySlot();
    if (free < 0) {
        dialogs.messageBox("Keine weiteren Variablen möglich!", AttentionTitle);
        return false;
    }
    if (!IsValidNewName(name)) {
        dialogs.messageBox("Ungültiger Variablenbezeichner!", AttentionTitle);
        return false;
    }
    slots_[static_cast<std::size_t>(free)].emplace_back(name);
    return true;
}

bool VariTable::AskAndAddVariable(Dialogs& dialogs)
{
    if (LowestEmptySlot() < 0) {
        dialogs.messageBox("Keine weiteren Variablen möglich!", AttentionTitle);
        return false;
    }
    const std::string name = dialogs.inputBox("Neue Variable", "Bitte Variablenbezeichner eingeben", "");
    return AddVariable(name, dialogs);
}

bool VariTable::DeleteVariable(std::string_view name, Dialogs& dialogs)
{
    const int i = FirstSlot(name);
    if (i < 0) {
        dialogs.messageBox("Variable nicht vorhanden", AttentionTitle);
        return false;
    }
    for (int j = i; j < SlotCount - 1; ++j)
        slots_[static_cast<std::size_t>(j)] = slots_[static_cast<std::size_t>(j) + 1];
    slots_[SlotCount - 1].clear();
    return true;
}

bool VariTable::AskAndDeleteVariable(Dialogs& dialogs)
{
    const std::string name = dialogs.inputBox("Variable löschen", "Bitte Variablennamen eingeben", "");
    return DeleteVariable(name, dialogs);
}

} // namespace tonvera
