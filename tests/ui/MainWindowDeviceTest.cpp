// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against a scripted line: what painting and closing send.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "device/TTonvera.h"
#include "model/MainForm.h"
#include "support/RecordingDialogs.h"
#include "support/ScriptedLine.h"
#include "support/VirtualClock.h"
#include "ui/ControlLookup.h"
#include "ui/MainWindow.h"
#include "ui/PaintBox.h"

using namespace tonvera;
using tonvera::test::control;
using tonvera::test::RecordingDialogs;
using tonvera::test::ScriptedLine;
using tonvera::test::VirtualClock;

namespace {

// The bytes a stopped device object sends for these calls.
template <typename F>
ScriptedLine::Block expected(F&& calls)
{
    ScriptedLine line;
    VirtualClock clock;
    TTonvera device(line, clock);
    calls(device);
    return line.allBytes();
}

struct WindowDeviceTest : ::testing::Test {
    ScriptedLine line;
    VirtualClock clock;
    RecordingDialogs dialogs;
    MainWindow w{&dialogs, &line, &clock};

    void SetUp() override
    {
        // A hidden display does not paint.
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
};

} // namespace

TEST_F(WindowDeviceTest, PaintingSendsTheShownLengthWhileTheDeviceIsIdle)
{
    line.clearWrites();
    control<PaintBox>(w, "SinusBox")->repaint();
    EXPECT_EQ(line.allBytes(), expected([](TTonvera& d) { d.SetSignalLength(false, 1000); }));

    line.clearWrites();
    control<QCheckBox>(w, "Repeated")->setChecked(true);
    control<QLineEdit>(w, "Signaldauer")->setText("250");
    control<PaintBox>(w, "SinusBox")->repaint();
    EXPECT_EQ(line.allBytes(), expected([](TTonvera& d) { d.SetSignalLength(true, 250); }));

    // While the device plays, the display leaves it alone.
    line.clearWrites();
    w.device().Running = true;
    control<PaintBox>(w, "SinusBox")->repaint();
    EXPECT_TRUE(line.allBytes().empty());
    w.device().Running = false;

    // A length of 0 draws at 1 px/ms and sends nothing.
    line.clearWrites();
    control<QLineEdit>(w, "Signaldauer")->setText("0");
    control<PaintBox>(w, "SinusBox")->repaint();
    EXPECT_TRUE(line.allBytes().empty());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(WindowDeviceTest, ALengthTheDeviceCannotTakeIsReportedInTheStatusNotInABox)
{
    control<QLineEdit>(w, "Signaldauer")->setText("-5"); // does not evaluate: -10 ms, which no length register holds
    control<PaintBox>(w, "SinusBox")->repaint();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(control<QLabel>(w, "StatusPanel0")->text(), " ist kein gültiger Wert!");
}

TEST_F(WindowDeviceTest, ClosingStopsTheDeviceAndClosesThePort)
{
    line.clearWrites();
    w.device().Running = true;
    control<QAction>(w, "Beenden1")->trigger();
    EXPECT_FALSE(w.device().Running);
    EXPECT_FALSE(line.isOpen());
    ASSERT_FALSE(line.writes.empty());
    // The first thing sent is the stop command of a stopped device.
    const auto stop = expected([](TTonvera& d) { d.StopOutput(); });
    ASSERT_GE(line.allBytes().size(), stop.size());
    EXPECT_TRUE(std::equal(stop.begin(), stop.end(), line.allBytes().begin()));
    // Closing once more (the close box after "Beenden") sends nothing.
    const auto sent = line.allBytes().size();
    w.close();
    EXPECT_EQ(line.allBytes().size(), sent);
}
