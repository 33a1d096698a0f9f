// SPDX-License-Identifier: GPL-3.0-or-later
// The variables editor through its real widgets: captions, the buttons with
// their boxes, Enter in a cell and on the grid, and closing with a cell
// still being typed in.

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "model/VariTable.h"
#include "support/RecordingDialogs.h"
#include "WhileOpen.h"
#include "run/CommandGuard.h"
#include "ui/ControlLookup.h"
#include "ui/LayoutChecks.h"
#include "ui/VariablenWindow.h"

using namespace tonvera;
using tonvera::test::control;
using tonvera::test::ExpectNamedControlsApart;
using tonvera::test::RecordingDialogs;
using tonvera::test::whileOpen;
using Texts = std::vector<std::string>;

namespace {

// Runs `inside` once the window's modal loop is up, then closes the window
// whatever happened, so a failing check cannot leave a test waiting.
struct VariablenWindowTest : ::testing::Test {
    RecordingDialogs dialogs;
    std::vector<std::string> errors;
    CommandGuard guard{[this](const std::string& t) { errors.push_back(t); }};
    VariablenWindow window{dialogs, guard};
    VariTable table;

    VariGridWidget* grid() const { return control<VariGridWidget>(window, "VariGrid"); }

    QString header(int col) const { return grid()->horizontalHeaderItem(col)->text(); }
    QString cell(int row, int col) const
    {
        const QTableWidgetItem* item = grid()->item(row, col);
        return item ? item->text() : QString();
    }
    // Opens the cell editor on (row, col) of the widget and types `text`.
    QLineEdit* typeInto(int row, int col, const QString& text)
    {
        grid()->setCurrentCell(row, col);
        grid()->editItem(grid()->item(row, col));
        auto* edit = grid()->findChild<QLineEdit*>();
        if (edit) {
            edit->clear();
            QTest::keyClicks(edit, text);
        }
        return edit;
    }
};

} // namespace

TEST_F(VariablenWindowTest, CaptionsAndTheEmptyGrid)
{
    EXPECT_EQ(window.windowTitle(), "Variablen");
    EXPECT_EQ(window.size(), QSize(479, 402));
    EXPECT_EQ(control<QPushButton>(window, "Button1")->text(), "Neu");
    EXPECT_EQ(control<QPushButton>(window, "Button2")->text(), "Löschen");
    ExpectNamedControlsApart(window);
    whileOpen(
        window,
        [&] {
            EXPECT_FALSE(grid()->isEnabled());
            EXPECT_EQ(grid()->columnCount(), 1);
            EXPECT_EQ(grid()->rowCount(), 1);
        },
        [&] { window.EditVariables(table); });
    EXPECT_EQ(table.variableCount(), 0);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(VariablenWindowTest, NeuAddsAColumnAndEnterStoresTheCell)
{
    table.slot(0) = {"f", "100", "200"};
    whileOpen(
        window,
        [&] {
            EXPECT_TRUE(grid()->isEnabled());
            EXPECT_EQ(header(0), "f");
            EXPECT_EQ(cell(0, 0), "100");
            EXPECT_EQ(cell(1, 0), "200");

            dialogs.inputAnswers.push_back("Pegel");
            QTest::mouseClick(control<QPushButton>(window, "Button1"), Qt::LeftButton);
            ASSERT_EQ(dialogs.inputBoxes.size(), 1u);
            EXPECT_EQ(dialogs.inputBoxes[0].caption, "Neue Variable");
            ASSERT_EQ(grid()->columnCount(), 2);
            EXPECT_EQ(header(1), "Pegel");

            QLineEdit* edit = typeInto(0, 1, "5");
            ASSERT_NE(edit, nullptr);
            QTest::keyClick(edit, Qt::Key_Return);
            EXPECT_EQ(table.slot(1), (Texts{"Pegel", "5"}));
            // The last column: on to column 0 of the next row.
            EXPECT_EQ(grid()->currentRow(), 1);
            EXPECT_EQ(grid()->currentColumn(), 0);
            EXPECT_FALSE(grid()->editorOpen());

            // Enter in the last cell of the last row adds a row.
            grid()->setCurrentCell(1, 1);
            QTest::keyClick(grid(), Qt::Key_Return);
            EXPECT_EQ(grid()->rowCount(), 3);
            EXPECT_EQ(grid()->currentRow(), 2);
            EXPECT_EQ(grid()->currentColumn(), 0);
        },
        [&] { window.EditVariables(table); });
    EXPECT_EQ(table.slot(0), (Texts{"f", "100", "200"}));
    EXPECT_EQ(table.slot(1), (Texts{"Pegel", "5"}));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(errors.empty());
}

TEST_F(VariablenWindowTest, ClosingWhileTypingStoresTheCell)
{
    table.slot(0) = {"f", "100", "200"};
    whileOpen(
        window, [&] { ASSERT_NE(typeInto(1, 0, "250"), nullptr); }, [&] { window.EditVariables(table); });
    EXPECT_EQ(table.slot(0), (Texts{"f", "100", "250"}));
}

TEST_F(VariablenWindowTest, LoeschenAsksAndReports)
{
    table.slot(0) = {"a", "1"};
    table.slot(1) = {"b", "2"};
    whileOpen(
        window,
        [&] {
            dialogs.inputAnswers.push_back("x");
            QTest::mouseClick(control<QPushButton>(window, "Button2"), Qt::LeftButton);
            EXPECT_EQ(dialogs.messages,
                      (std::vector<RecordingDialogs::Message>{{"Variable nicht vorhanden", "Achtung"}}));
            EXPECT_EQ(grid()->columnCount(), 2);

            dialogs.inputAnswers.push_back("A");
            QTest::mouseClick(control<QPushButton>(window, "Button2"), Qt::LeftButton);
            ASSERT_EQ(grid()->columnCount(), 1);
            EXPECT_EQ(header(0), "b");
            EXPECT_EQ(cell(0, 0), "2");
        },
        [&] { window.EditVariables(table); });
    EXPECT_EQ(table.slot(0), (Texts{"b", "2"}));
    EXPECT_EQ(table.variableCount(), 1);
}
