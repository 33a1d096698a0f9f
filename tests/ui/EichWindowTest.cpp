// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration editor through its real widgets: the sorted list, adding
// through the two queries, deleting the selected line, the plot's marks and
// the table handed back.

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "support/EichPoints.h"
#include "support/RecordingDialogs.h"
#include "WhileOpen.h"
#include "ui/ControlLookup.h"
#include "ui/LayoutChecks.h"
#include "ui/EichWindow.h"
#include "run/CommandGuard.h"
#include "ui/PaintBox.h"

using namespace tonvera;
using tonvera::test::control;
using tonvera::test::EichTableOf;
using tonvera::test::ExpectNamedControlsApart;
using tonvera::test::RecordingDialogs;
using tonvera::test::whileOpen;

namespace {

int redPixels(QWidget* w)
{
    const QImage img = w->grab().toImage();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == qRgb(255, 0, 0))
                ++n;
    return n;
}

QStringList items(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

struct EichWindowTest : ::testing::Test {
    RecordingDialogs dialogs;
    std::vector<std::string> errors;
    CommandGuard guard{[this](const std::string& t) { errors.push_back(t); }};
    EichWindow window{dialogs, guard};
};

} // namespace

TEST_F(EichWindowTest, Captions)
{
    EXPECT_EQ(window.windowTitle(), "Eichdaten Eingabe");
    EXPECT_EQ(window.size(), QSize(490, 238));
    EXPECT_EQ(control<QPushButton>(window, "Button1")->text(), "Punkt hinzufügen");
    EXPECT_EQ(control<QPushButton>(window, "Button2")->text(), "Punkt löschen");
    // The list and its buttons on the left, the plot on the right.
    ExpectNamedControlsApart(window);
    EXPECT_LT(control<QListWidget>(window, "EichListBox")->mapTo(&window, QPoint()).x(),
              control<PaintBox>(window, "EichPaint")->mapTo(&window, QPoint()).x());
}

TEST_F(EichWindowTest, AddDeleteAndHandBack)
{
    EichTable table = EichTableOf({{5000, 1}, {100, -4.7}});
    whileOpen(
        window,
        [&] {
            EXPECT_EQ(items(control<QListWidget>(window, "EichListBox")),
                      (QStringList{"    100 Hz/  -4.70 dB", "   5000 Hz/ + 1.00 dB"}));
            EXPECT_EQ(redPixels(control<PaintBox>(window, "EichPaint")), 2);

            dialogs.queryAnswers = {"1000.4", "1.234"};
            QTest::mouseClick(control<QPushButton>(window, "Button1"), Qt::LeftButton);
            ASSERT_EQ(dialogs.inputQueries.size(), 2u);
            EXPECT_EQ(dialogs.inputQueries[0].caption, "Frequenz");
            EXPECT_EQ(dialogs.inputQueries[1].caption, "Dämpfungsdelta");
            EXPECT_EQ(items(control<QListWidget>(window, "EichListBox")).value(1), "   1000 Hz/ + 1.23 dB");
            EXPECT_EQ(redPixels(control<PaintBox>(window, "EichPaint")), 3);

            // Cancelling the frequency adds nothing.
            QTest::mouseClick(control<QPushButton>(window, "Button1"), Qt::LeftButton);
            EXPECT_EQ(control<QListWidget>(window, "EichListBox")->count(), 3);

            control<QListWidget>(window, "EichListBox")->setCurrentRow(2);
            QTest::mouseClick(control<QPushButton>(window, "Button2"), Qt::LeftButton);
            EXPECT_EQ(items(control<QListWidget>(window, "EichListBox")),
                      (QStringList{"    100 Hz/  -4.70 dB", "   1000 Hz/ + 1.23 dB"}));

            // One line: nothing is drawn.
            control<QListWidget>(window, "EichListBox")->setCurrentRow(0);
            QTest::mouseClick(control<QPushButton>(window, "Button2"), Qt::LeftButton);
            EXPECT_EQ(redPixels(control<PaintBox>(window, "EichPaint")), 0);
        },
        [&] { window.EditEichTable(table); });
    EXPECT_EQ(table.count, 1);
    EXPECT_EQ(table.frequencies[0], 1000);
    EXPECT_EQ(table.corrections[0], 1.23);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(errors.empty());
}
