// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/VariablenEditor.h"

#include <algorithm>

#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/VariTable.h"

namespace tonvera {

namespace {
const std::string NoText;
}

const std::string& VariablenEditor::Cell(int col, int row) const
{
    if (col < 0 || col >= ColCount() || row < 0 || row >= rowCount_)
        return NoText;
    return cells_[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)];
}

void VariablenEditor::SetCell(int col, int row, std::string text)
{
    if (col < 0 || col >= ColCount())
        throw ListIndexError(col);
    if (row < 0 || row >= rowCount_)
        throw ListIndexError(row);
    cells_[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)] = std::move(text);
}

void VariablenEditor::SetCursor(int col, int row)
{
    col_ = col;
    row_ = row;
    clampCursor();
}

void VariablenEditor::clampCursor()
{
    col_ = std::clamp(col_, 0, ColCount() - 1);
    row_ = std::clamp(row_, 1, rowCount_ - 1);
}

void VariablenEditor::clearGrid(int cols, int rows)
{
    rowCount_ = rows;
    cells_.assign(static_cast<std::size_t>(cols), std::vector<std::string>(static_cast<std::size_t>(rows)));
}

void VariablenEditor::TableToGrid()
{
    clearGrid(1, 2);
    if (table_ == nullptr || !table_->inUse(0)) {
        defaultColWidth_ = GridWidth - 4;
        enabled_ = false;
        clampCursor();
        changed();
        return;
    }
    for (int s = 0; s < VariTable::SlotCount && table_->inUse(s); ++s) {
        const VariTable::Slot& slot = table_->slot(s);
        cells_.resize(static_cast<std::size_t>(s) + 1, std::vector<std::string>(static_cast<std::size_t>(rowCount_)));
        defaultColWidth_ = static_cast<int>(rnd(static_cast<double>(GridWidth - 3 * s - 4) / (s + 1)));
        if (static_cast<int>(slot.size()) > rowCount_) {
            rowCount_ = static_cast<int>(slot.size());
            for (auto& column : cells_)
                column.resize(static_cast<std::size_t>(rowCount_));
        }
        auto& column = cells_[static_cast<std::size_t>(s)];
        for (std::size_t r = 0; r < slot.size(); ++r)
            column[r] = slot[r];
    }
    enabled_ = true;
    clampCursor();
    changed();
}

void VariablenEditor::GridToTable()
{
    if (table_ == nullptr || !table_->inUse(0))
        return;
    const int cols = std::min(ColCount(), static_cast<int>(VariTable::SlotCount));
    for (int k = 0; k < cols; ++k) {
        VariTable::Slot& slot = table_->slot(k);
        if (slot.empty() || Cell(k, 0) != slot[0])
            continue;
        slot.resize(1);
        for (int r = 1; r < rowCount_ && !Cell(k, r).empty(); ++r)
            slot.push_back(Cell(k, r));
    }
}

void VariablenEditor::ChangeVariables(bool (VariTable::*change)(Dialogs&))
{
    if (table_ == nullptr)
        return;
    // What was typed but not yet entered would otherwise vanish when the
    // grid is rebuilt for the changed columns.
    GridToTable();
    if ((table_->*change)(dialogs_))
        TableToGrid();
}

void VariablenEditor::Button1Click() { ChangeVariables(&VariTable::AskAndAddVariable); }

void VariablenEditor::Button2Click() { ChangeVariables(&VariTable::AskAndDeleteVariable); }

bool VariablenEditor::VariGridKeyPress(char key)
{
    if (key != EnterKey)
        return false;
    GridToTable();
    if (col_ >= ColCount() - 1) {
        if (row_ >= rowCount_ - 1) {
            ++rowCount_;
            for (auto& column : cells_)
                column.resize(static_cast<std::size_t>(rowCount_));
        }
        col_ = 0;
        ++row_;
    } else {
        ++col_;
    }
    clampCursor();
    changed();
    return true;
}

void VariablenEditor::EditVariables(VariTable& table)
{
    struct Lend {
        VariablenEditor& e;
        ~Lend() { e.GiveBack(); }
    } lend{*this};
    Borrow(table);
    TableToGrid();
    if (ShowModal)
        ShowModal();
    VariGridKeyPress(EnterKey);
}

} // namespace tonvera
