// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The variables editor without its toolkit: the grid as plain cells, the
// borrowed variable table, and the commands of its two buttons and of Enter.
// The table is changed in place at every add, delete and Enter, not only at
// closing, because the polling timer may read it while the editor is open.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tonvera {

class Dialogs;
class VariTable;

class VariablenEditor {
public:
    static constexpr char EnterKey = 13;

    explicit VariablenEditor(Dialogs& dialogs) : dialogs_(dialogs) {}

    // --- The grid: column-major cells, row 0 is the fixed row of names ------
    [[nodiscard]] int ColCount() const { return static_cast<int>(cells_.size()); }
    [[nodiscard]] int RowCount() const { return rowCount_; }
    // Empty text outside the grid, so a reader never needs to check bounds.
    [[nodiscard]] const std::string& Cell(int col, int row) const;
    // Throws ListIndexError outside the grid.
    void SetCell(int col, int row, std::string text);
    [[nodiscard]] int Col() const { return col_; }
    [[nodiscard]] int Row() const { return row_; }
    // Moves the cursor; it never lands on the fixed row or outside the grid.
    void SetCursor(int col, int row);
    [[nodiscard]] bool Enabled() const { return enabled_; }
    // Set by the window before TableToGrid; the column width follows from it.
    int GridWidth = 467;
    [[nodiscard]] int DefaultColWidth() const { return defaultColWidth_; }

    // --- The borrowed table -----------------------------------------------------
    // The table the editor works on while it is open; nullptr otherwise.
    [[nodiscard]] VariTable* Table() const { return table_; }
    void Borrow(VariTable& table) { table_ = &table; }
    void GiveBack() { table_ = nullptr; }

    // --- Commands ---------------------------------------------------------------
    void TableToGrid();
    void GridToTable();
    // "Neu": asks for a name and adds the variable in the lowest free slot.
    void Button1Click(); // "Neu"
    // "Löschen": asks for a name and deletes that variable.
    void Button2Click(); // "Löschen"
    // Enter stores the grid and walks on, growing the grid at its end; other
    // keys are left to the grid's own editing (returns false for them).
    bool VariGridKeyPress(char key); // a key in the grid VariGrid

    // The entry from the main window: shows the grid of `table`, runs
    // ShowModal, and stores what was typed last as Enter would.
    void EditVariables(VariTable& table);
    // Runs the window modally; the window sets it (tests may script it).
    std::function<void()> ShowModal;
    // Called whenever the grid's cells or size changed, so the window can
    // show them again.
    std::function<void()> GridChanged;

private:
    // Adds or deletes a variable through the table's question, keeping
    // what was typed.
    void ChangeVariables(bool (VariTable::*change)(Dialogs&));
    void clearGrid(int cols, int rows);
    void clampCursor();
    void changed()
    {
        if (GridChanged)
            GridChanged();
    }

    Dialogs& dialogs_;
    VariTable* table_ = nullptr;
    std::vector<std::vector<std::string>> cells_{std::vector<std::string>(2)};
    int rowCount_ = 2;
    int col_ = 0;
    int row_ = 1;
    bool enabled_ = false;
    int defaultColWidth_ = 0;
};

} // namespace tonvera
