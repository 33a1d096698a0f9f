// SPDX-License-Identifier: GPL-3.0-or-later
// Quitting the program while the device plays: "&Beenden" and the close box
// both leave the stop packet as the last thing the device receives, and the
// port is closed.

#include <QAction>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <chrono>
#include <vector>

#include "device/SerialLine.h"
#include "device/TTonvera.h"
#include "run/MainCore.h"
#include "support/EmuProcess.h"
#include "support/RecordingDialogs.h"
#include "ui/AppWindows.h"
#include "ui/ControlLookup.h"
#include "ui/MainWindow.h"

using namespace tonvera;
using tonvera::test::control;
using tonvera::test::RecordingDialogs;

namespace {

std::vector<std::string> logLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        if (!l.empty())
            lines.push_back(l);
    return lines;
}

// Starts a playing device behind a fresh program, then quits it as `quit`
// says, and returns the emulator's packet log.
std::vector<std::string> quitWhilePlaying(const std::function<void(MainWindow&)>& quit)
{
    tonvera::test::EmuProcess emu({"--log", "{dir}/packets.log"});
    RecordingDialogs dialogs;
    AppWindows windows = CreateWindows(&dialogs);
    MainWindow& m = *windows.MainForm;
    m.show();
    control<QPushButton>(m, "Button1")->click();
    EXPECT_TRUE(m.core().InitHardware(emu.link()));
    control<QPushButton>(m, "StartButton")->click();
    EXPECT_TRUE(m.device().Running);
    EXPECT_TRUE(dialogs.errors.empty());

    quit(m);
    EXPECT_FALSE(m.line().isOpen());
    EXPECT_FALSE(m.device().Running);
    // The emulator logs a packet when it has taken it in, which may be a
    // moment after the port closed: wait until the log stops growing.
    std::vector<std::string> log = logLines(emu.path("packets.log"));
    for (int quiet = 0, i = 0; quiet < 5 && i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::vector<std::string> now = logLines(emu.path("packets.log"));
        quiet = now.size() == log.size() ? quiet + 1 : 0;
        log = std::move(now);
    }
    return log;
}

constexpr const char* StopPacket = "20 00 00 00 00 00";
constexpr const char* StartPacket = "00 00 00 00 00 00";

void expectStoppedLast(const std::vector<std::string>& log)
{
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.back(), StopPacket);
    // The run was playing: its start is in the log before the stop.
    bool started = false;
    for (const std::string& l : log)
        started = started || l == StartPacket;
    EXPECT_TRUE(started);
}

bool emulatorBuilt() { return std::filesystem::exists(std::string(TONVERA_BIN_DIR) + "/tonvera-emu"); }

} // namespace

TEST(WindowQuit, BeendenStopsThePlayingDeviceBeforeThePortCloses)
{
    if (!emulatorBuilt())
        GTEST_SKIP() << "tonvera-emu is not built";
    expectStoppedLast(quitWhilePlaying([](MainWindow& m) { control<QAction>(m, "Beenden1")->trigger(); }));
}

TEST(WindowQuit, TheCloseBoxStopsThePlayingDeviceBeforeThePortCloses)
{
    if (!emulatorBuilt())
        GTEST_SKIP() << "tonvera-emu is not built";
    expectStoppedLast(quitWhilePlaying([](MainWindow& m) { m.close(); }));
}
