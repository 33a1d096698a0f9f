// SPDX-License-Identifier: GPL-3.0-or-later
// The variables editor: its grid against the borrowed table, the two
// buttons with their boxes, Enter walking the cells, and closing.

#include <gtest/gtest.h>

#include "model/VariTable.h"
#include "model/VariablenEditor.h"
#include "support/RecordingDialogs.h"

namespace tonvera {
namespace {

using test::RecordingDialogs;
using Texts = std::vector<std::string>;
using Message = RecordingDialogs::Message;

class VariEditor : public ::testing::Test {
protected:
    RecordingDialogs dialogs;
    VariTable table;
    VariablenEditor editor{dialogs};

    void SetUp() override { editor.Borrow(table); }

    void addVariable(const std::string& name)
    {
        dialogs.inputAnswers.push_back(name);
        editor.Button1Click();
    }
    // Types into the cell under the cursor and presses Enter.
    void typeAndEnter(const std::string& text)
    {
        editor.SetCell(editor.Col(), editor.Row(), text);
        editor.VariGridKeyPress(VariablenEditor::EnterKey);
    }
};

TEST_F(VariEditor, NeuAsksAndShowsTheNewColumn)
{
    addVariable("Freq");
    ASSERT_EQ(dialogs.inputBoxes.size(), 1u);
    EXPECT_EQ(dialogs.inputBoxes[0].caption, "Neue Variable");
    EXPECT_EQ(dialogs.inputBoxes[0].prompt, "Bitte Variablenbezeichner eingeben");
    EXPECT_EQ(dialogs.inputBoxes[0].defaultText, "");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(table.slot(0), Texts{"Freq"});
    EXPECT_TRUE(editor.Enabled());
    EXPECT_EQ(editor.ColCount(), 1);
    EXPECT_EQ(editor.RowCount(), 2);
    EXPECT_EQ(editor.Cell(0, 0), "Freq");
    EXPECT_EQ(editor.Cell(0, 1), "");
}

TEST_F(VariEditor, NameRulesThroughTheEditor)
{
    for (const char* bad : {"1a", "", "9"}) {
        dialogs.clear();
        addVariable(bad);
        EXPECT_EQ(dialogs.messages, (std::vector<Message>{{"Ungültiger Variablenbezeichner!", "Achtung"}})) << bad;
    }
    for (const char* good : {"a1", " x", "a+b", "ä"})
        addVariable(good);
    EXPECT_EQ(table.variableCount(), 4);

    // Only a to z fold: "A1" is taken, the capital umlaut is a new name.
    dialogs.clear();
    addVariable("A1");
    EXPECT_EQ(dialogs.texts(), Texts{"Ungültiger Variablenbezeichner!"});
    dialogs.clear();
    addVariable("Ä");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(table.slot(4), Texts{"Ä"});
    EXPECT_EQ(editor.ColCount(), 5);
    EXPECT_EQ(editor.Cell(4, 0), "Ä");

    // Cancelling the box yields the empty name, which is refused.
    dialogs.clear();
    editor.Button1Click();
    EXPECT_EQ(dialogs.texts(), Texts{"Ungültiger Variablenbezeichner!"});
    EXPECT_EQ(table.variableCount(), 5);
}

TEST_F(VariEditor, TwentySecondVariableIsRefusedWithoutAsking)
{
    for (int i = 0; i < VariTable::SlotCount; ++i)
        addVariable("v" + std::to_string(i));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(editor.ColCount(), 21);
    // (467 - 3 * 20 - 4) / 21 = 19.19..
    EXPECT_EQ(editor.DefaultColWidth(), 19);

    dialogs.clear();
    editor.Button1Click();
    EXPECT_TRUE(dialogs.inputBoxes.empty());
    EXPECT_EQ(dialogs.messages, (std::vector<Message>{{"Keine weiteren Variablen möglich!", "Achtung"}}));
    EXPECT_EQ(table.variableCount(), 21);
}

TEST_F(VariEditor, DeleteMovesSlotOneToZeroAndLeavesNoValuesBehind)
{
    addVariable("a");
    addVariable("b");
    table.slot(0) = {"a", "1", "2", "3"};
    table.slot(1) = {"b", "7"};
    editor.TableToGrid();
    EXPECT_EQ(editor.RowCount(), 4);

    dialogs.inputAnswers.push_back("A");
    editor.Button2Click();
    ASSERT_EQ(dialogs.inputBoxes.size(), 3u);
    EXPECT_EQ(dialogs.inputBoxes[2].caption, "Variable löschen");
    EXPECT_EQ(dialogs.inputBoxes[2].prompt, "Bitte Variablennamen eingeben");
    EXPECT_EQ(table.slot(0), (Texts{"b", "7"}));
    EXPECT_TRUE(table.slot(1).empty());
    EXPECT_EQ(table.PositionCount(), 1);
    EXPECT_EQ(editor.ColCount(), 1);
    EXPECT_EQ(editor.RowCount(), 2);
    EXPECT_EQ(editor.Cell(0, 0), "b");
    EXPECT_EQ(editor.Cell(0, 1), "7");

    // A new variable in the freed slot starts without values.
    addVariable("c");
    EXPECT_EQ(editor.Cell(1, 0), "c");
    EXPECT_EQ(editor.Cell(1, 1), "");
    EXPECT_EQ(table.slot(1), Texts{"c"});
}

TEST_F(VariEditor, DeletingAnUnknownNameOrCancelling)
{
    addVariable("a");
    dialogs.clear();
    dialogs.inputAnswers.push_back("b");
    editor.Button2Click();
    editor.Button2Click(); // cancelled
    EXPECT_EQ(dialogs.messages,
              (std::vector<Message>{{"Variable nicht vorhanden", "Achtung"}, {"Variable nicht vorhanden", "Achtung"}}));
    EXPECT_EQ(table.slot(0), Texts{"a"});
}

TEST_F(VariEditor, EmptyTableDisablesTheGrid)
{
    editor.TableToGrid();
    EXPECT_FALSE(editor.Enabled());
    EXPECT_EQ(editor.ColCount(), 1);
    EXPECT_EQ(editor.RowCount(), 2);
    EXPECT_EQ(editor.DefaultColWidth(), 463);
    // Enter on the empty grid writes nothing back.
    editor.SetCell(0, 1, "5");
    editor.VariGridKeyPress(VariablenEditor::EnterKey);
    EXPECT_EQ(table.variableCount(), 0);
}

TEST_F(VariEditor, EnterWalksRowByRowAndGrowsTheGrid)
{
    addVariable("a");
    addVariable("b");
    EXPECT_EQ(editor.DefaultColWidth(), 230); // (467 - 3 - 4) / 2
    editor.SetCursor(0, 1);
    typeAndEnter("1");
    EXPECT_EQ(editor.Col(), 1);
    EXPECT_EQ(editor.Row(), 1);
    // The last cell of the last row: one row more, cursor to its start.
    typeAndEnter("10");
    EXPECT_EQ(editor.RowCount(), 3);
    EXPECT_EQ(editor.Col(), 0);
    EXPECT_EQ(editor.Row(), 2);
    typeAndEnter("2");
    typeAndEnter("20");
    EXPECT_EQ(editor.RowCount(), 4);
    EXPECT_EQ(table.slot(0), (Texts{"a", "1", "2"}));
    EXPECT_EQ(table.slot(1), (Texts{"b", "10", "20"}));

    // Other keys are the grid's own.
    EXPECT_FALSE(editor.VariGridKeyPress('x'));
    EXPECT_EQ(editor.Row(), 3);
}

TEST_F(VariEditor, AGapInAColumnEndsItsValues)
{
    addVariable("a");
    for (int r = 0; r < 3; ++r)
        editor.VariGridKeyPress(VariablenEditor::EnterKey);
    ASSERT_EQ(editor.RowCount(), 5);
    editor.SetCell(0, 1, "1");
    editor.SetCell(0, 2, "2");
    editor.SetCell(0, 4, "4");
    editor.VariGridKeyPress(VariablenEditor::EnterKey);
    EXPECT_EQ(table.slot(0), (Texts{"a", "1", "2"}));
    // Values are stored as typed, without any test.
    editor.SetCell(0, 3, "x,y");
    editor.VariGridKeyPress(VariablenEditor::EnterKey);
    EXPECT_EQ(table.slot(0), (Texts{"a", "1", "2", "x,y", "4"}));
}

TEST_F(VariEditor, AColumnWhoseHeaderWasChangedIsLeftAlone)
{
    addVariable("a");
    table.slot(0) = {"a", "1"};
    editor.TableToGrid();
    editor.SetCell(0, 0, "A");
    editor.SetCell(0, 1, "5");
    editor.VariGridKeyPress(VariablenEditor::EnterKey);
    EXPECT_EQ(table.slot(0), (Texts{"a", "1"}));
}

TEST_F(VariEditor, TypedValuesSurviveNeuAndLoeschen)
{
    addVariable("a");
    editor.SetCell(0, 1, "3");
    addVariable("b");
    EXPECT_EQ(table.slot(0), (Texts{"a", "3"}));
    EXPECT_EQ(editor.Cell(0, 1), "3");
    editor.SetCell(1, 1, "4");
    dialogs.inputAnswers.push_back("a");
    editor.Button2Click();
    EXPECT_EQ(table.slot(0), (Texts{"b", "4"}));
}

TEST(VariEditorOpen, ClosingStoresTheLastTypedCellAndGivesTheTableBack)
{
    RecordingDialogs dialogs;
    VariTable table;
    table.slot(0) = {"f", "100", "200"};
    VariablenEditor editor(dialogs);
    int shown = 0;
    editor.ShowModal = [&] {
        ++shown;
        EXPECT_EQ(editor.Table(), &table);
        EXPECT_EQ(editor.Cell(0, 2), "200");
        editor.SetCursor(0, 2);
        editor.SetCell(0, 2, "250"); // typed, no Enter
    };
    editor.EditVariables(table);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(table.slot(0), (Texts{"f", "100", "250"}));
    EXPECT_EQ(editor.Table(), nullptr);
    EXPECT_TRUE(dialogs.messages.empty());

    // Opening on an empty table and closing: still empty, no message.
    VariTable empty;
    editor.ShowModal = [&] { editor.SetCell(0, 1, "1"); };
    editor.EditVariables(empty);
    EXPECT_EQ(empty.variableCount(), 0);
    EXPECT_TRUE(dialogs.messages.empty());
}

} // namespace
} // namespace tonvera
