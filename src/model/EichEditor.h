// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The calibration editor without its toolkit. Its sorted list of point
// texts is its storage: the working table is rebuilt from the lines for
// every drawing and when the editor closes, so a table that passed through
// the editor holds whole hertz and hundredths of a decibel.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/Canvas.h"
#include "model/EichTable.h"

namespace tonvera {

class Dialogs;

// The list text of one point: "   1000 Hz/ + 4.70 dB", "    250 Hz/  -12.50 dB".
[[nodiscard]] std::string FormatEichLine(double frequency, double correction);

class EichEditor {
public:
    explicit EichEditor(Dialogs& dialogs) : dialogs_(dialogs) {}

    struct Line {
        std::string text;
        bool selected = false;
        friend bool operator==(const Line&, const Line&) = default;
    };

    // The list box, always in its sorted order.
    [[nodiscard]] const std::vector<Line>& Lines() const { return lines_; }
    [[nodiscard]] std::vector<std::string> Texts() const;
    // Puts a line in its sorted place (after lines that compare equal).
    void AddLine(std::string text);
    void Clear() { lines_.clear(); }
    // The list box has a single selection: selecting one line clears the
    // others; -1 selects nothing. Throws ListIndexError outside the list.
    void Select(int index);
    [[nodiscard]] int SelectedIndex() const;

    // The working table, as last rebuilt from the list.
    [[nodiscard]] const EichTable& Table() const { return table_; }

    // Rebuilds the working table from the lines. More lines than the table
    // has room for abort with the range error and leave the table alone.
    void ListToTable();
    // "Punkt hinzufügen".
    void Button1Click(); // "Punkt hinzufügen"
    // "Punkt löschen": deletes the selected line(s).
    void Button2Click(); // "Punkt löschen"
    // Draws the curve of a W x H box; `background` is the panel colour.
    void DrawEichPlot(Canvas& canvas, int width, int height, Color background);
    // The entry from the main window: edits a copy of `table` and hands it
    // back when the window closes (there is no cancel).
    void EditEichTable(EichTable& table);

    // Runs the window modally; set by the window, scripted by tests.
    std::function<void()> ShowModal;
    // Asks the window to draw the plot again (DrawEichPlot on its canvas).
    std::function<void()> Redraw;
    // Tells the window that the lines changed.
    std::function<void()> ListChanged;

private:
    // Asks until the entry is a number or the operator cancels.
    bool askNumber(const char* caption, const char* prompt, double& value);
    void redraw()
    {
        if (Redraw)
            Redraw();
    }
    void listChanged()
    {
        if (ListChanged)
            ListChanged();
    }

    Dialogs& dialogs_;
    std::vector<Line> lines_;
    EichTable table_;
};

} // namespace tonvera
