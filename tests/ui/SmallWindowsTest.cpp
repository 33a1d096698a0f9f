// SPDX-License-Identifier: GPL-3.0-or-later
// The simulation window, the options dialog and the block diagram through
// their real widgets.

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QSvgRenderer>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <set>

#include "model/MainForm.h"
#include "support/FakeView.h"
#include "support/RecordingDialogs.h"
#include "WhileOpen.h"
#include "ui/BlockWindow.h"
#include "run/CommandGuard.h"
#include "ui/ControlLookup.h"
#include "ui/LayoutChecks.h"
#include "ui/PaintBox.h"
#include "ui/SimWindow.h"
#include "ui/VerschiedenesWindow.h"

using namespace tonvera;
using tonvera::test::control;
using tonvera::test::ExpectNamedControlsApart;
using tonvera::test::FakeView;
using tonvera::test::RecordingDialogs;
using tonvera::test::whileOpen;

namespace {

struct GermanLocale {
    QLocale saved;
    GermanLocale() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~GermanLocale() { QLocale::setDefault(saved); }
};

struct SmallWindows : ::testing::Test {
    FakeView view;
    RecordingDialogs dialogs;
    MainForm form{view, dialogs};
    std::vector<std::string> errors;
    CommandGuard guard{[this](const std::string& t) { errors.push_back(t); }};
};

} // namespace

TEST_F(SmallWindows, SimulationNeedsVariables)
{
    SimWindow window(form.state().VariPos, dialogs, guard);
    EXPECT_EQ(window.windowTitle(), "Simulationsergebnis");
    EXPECT_EQ(window.size(), QSize(696, 480));
    window.Button7Click(form);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Simulation nur sinnvoll, wenn Variablen verwendet werden!"});
    EXPECT_FALSE(window.isVisible());
}

TEST_F(SmallWindows, SimulationShowsTheRunAndPutsThePositionBack)
{
    GermanLocale german;
    form.state().VariTable.slot(0) = {"L", "1000", "2000", "1500"};
    form.state().VariPos = 2;
    view.edit(EditField::Signaldauer) = "L";
    view.edit(EditField::Triggerstart) = "100";
    view.edit(EditField::Triggerstop) = "900";
    SimWindow window(form.state().VariPos, dialogs, guard);
    whileOpen(
        window,
        [&] {
            EXPECT_EQ(control<QLabel>(window, "Label1")->text(), "Dauer des Gesamtsignals: 4,5 Sekunden");
            ExpectNamedControlsApart(window);
            const QImage img = control<PaintBox>(window, "SimPaint")->grab().toImage();
            const int w = img.width();
            ASSERT_GT(w, 100);
            const int y = img.height() / 3;
            EXPECT_EQ(img.pixel(qRound(w * 2.0 / 9.0), y), qRgb(255, 255, 255));
            EXPECT_EQ(img.pixel(qRound(w * 2.0 / 3.0), y), qRgb(255, 255, 255));
            EXPECT_EQ(img.pixel(w / 2 + 3, y), qRgb(0, 0, 0));
            EXPECT_EQ(img.pixel(0, 0), qRgb(255, 0, 0));
            EXPECT_TRUE(control<QLabel>(window, "ProblemLabel")->text().isEmpty());
            EXPECT_EQ(form.state().VariPos, 2);
        },
        [&] { window.Button7Click(form); });
    EXPECT_EQ(form.state().VariPos, 2);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SmallWindows, SimulationShowsWhatDidNotEvaluateInItsPanel)
{
    form.state().VariTable.slot(0) = {"L", "1000"};
    view.edit(EditField::Signaldauer) = "L";
    view.edit(EditField::Triggerstart) = "abc";
    SimWindow window(form.state().VariPos, dialogs, guard);
    whileOpen(
        window,
        [&] {
            control<PaintBox>(window, "SimPaint")->grab();
            QApplication::processEvents();
            EXPECT_EQ(control<QLabel>(window, "ProblemLabel")->text(), "ABC ist kein gültiger Wert!");
        },
        [&] { window.Button7Click(form); });
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"ABC ist kein gültiger Wert!"});
}

TEST_F(SmallWindows, OptionsShowAndTakeBackThePolarity)
{
    VerschiedenesWindow window(form.state());
    EXPECT_EQ(window.windowTitle(), "Verschiedenes");
    EXPECT_EQ(control<QCheckBox>(window, "CheckParam")->text(), "Parameter überprüfen");
    EXPECT_EQ(control<QGroupBox>(window, "GroupBox1")->title(), "Taster");
    EXPECT_EQ(control<QRadioButton>(window, "TasterLow")->text(), "Aktiv wenn geschlossen");
    EXPECT_EQ(control<QRadioButton>(window, "TasterHigh")->text(), "Aktiv wenn geöffnet");
    EXPECT_TRUE(control<QCheckBox>(window, "CheckParam")->isChecked());

    form.state().TastHigh = true;
    whileOpen(
        window,
        [&] {
            EXPECT_TRUE(control<QRadioButton>(window, "TasterHigh")->isChecked());
            EXPECT_FALSE(control<QRadioButton>(window, "TasterLow")->isChecked());
        },
        [&] { window.Verschiedenes1Click(); });
    EXPECT_TRUE(form.state().TastHigh);

    whileOpen(
        window,
        [&] {
            QTest::mouseClick(control<QRadioButton>(window, "TasterLow"), Qt::LeftButton, {},
                              QPoint(5, control<QRadioButton>(window, "TasterLow")->height() / 2));
            QTest::mouseClick(control<QCheckBox>(window, "CheckParam"), Qt::LeftButton, {},
                              QPoint(5, control<QCheckBox>(window, "CheckParam")->height() / 2));
            // The range check sees the box at once.
            EXPECT_FALSE(form.state().CheckParam);
            EXPECT_EQ(form.RangeCheck("200000", 0), "200000");
        },
        [&] { window.Verschiedenes1Click(); });
    EXPECT_FALSE(form.state().TastHigh);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(BlockWindowTest, ShowsItsDrawing)
{
    BlockWindow window;
    EXPECT_EQ(window.windowTitle(), "Block");
    EXPECT_EQ(window.size(), QSize(822, 550));
    ASSERT_TRUE(window.pictureValid());
    EXPECT_EQ(control<SvgPicture>(window, "Image1")->renderer()->defaultSize(), QSize(800, 504));
    // The drawing at its own size, whole inside the window.
    EXPECT_EQ(control<SvgPicture>(window, "Image1")->size(), QSize(800, 504));
    ExpectNamedControlsApart(window);
    whileOpen(
        window,
        [&] {
            const QImage img = control<SvgPicture>(window, "Image1")->grab().toImage();
            std::set<QRgb> colours;
            for (int y = 0; y < img.height(); y += 4)
                for (int x = 0; x < img.width(); x += 4)
                    colours.insert(img.pixel(x, y));
            EXPECT_GT(colours.size(), 8u);
        },
        [&] { window.Blockschaltbild1Click(); });
}
