// SPDX-License-Identifier: GPL-3.0-or-later
// The download of the whole set, device detection with firmware upload, the
// hardware menu command and shutdown, through MainCore.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

#include "RunFixture.h"
#include "support/TempDir.h"

namespace tonvera::test {
namespace {

namespace fs = std::filesystem;

using test::PanelView;

// A device in its boot loader until a firmware block came in and then a byte
// that cannot be firmware; afterwards it answers every complete packet. Its
// loader answers every 0x20, and a stopped program's synchronisation byte is
// 0x20 as well: opening the port writes one of them (the first is answered),
// a framing check against the loader 7.
constexpr int OpenDeviceBytes = 1;
constexpr int CheckSyncBytes = 7;

struct BootThenPackets {
    bool booted = false;
    int wakeUps = 0;
    int blocks = 0;
    std::size_t bytes = 0;
    bool bootOnly = false; // never leaves the boot loader
    void operator()(ScriptedLine& line, std::span<const std::uint8_t> w)
    {
        if (!booted) {
            if (w.size() == 1 && w[0] == 0x20 && blocks == 0) {
                ++wakeUps;
                line.queueReplies({0xAA, 0x55});
                return;
            }
            if (w.size() == 256) {
                ++blocks;
                return;
            }
            if (blocks == 0 || bootOnly)
                return;
            booted = true;
        }
        for (std::size_t i = 0; i < w.size(); ++i)
            if (++bytes % 6 == 0)
                line.queueReply(0);
    }
    int uploads(int framingChecks) const { return wakeUps - OpenDeviceBytes - CheckSyncBytes * framingChecks; }
};

struct ScriptedDialog : HardwareDialogPort {
    std::function<void()> onShow;
    int shown = 0;
    void showModal() override
    {
        ++shown;
        if (onShow)
            onShow();
    }
};

class SetupTest : public ::testing::Test {
protected:
    SetupTest()
    {
        core.FirmwareFile() = (dir / "signal_pqz.hex").string();
        line.opened = false;
    }

    void firmware(const std::string& content) { std::ofstream(core.FirmwareFile(), std::ios::binary) << content; }
    std::size_t count(const Bytes& b) const
    {
        return static_cast<std::size_t>(std::count(line.writes.begin(), line.writes.end(), b));
    }

    test::TempDir scratch;
    const fs::path& dir = scratch.path();
    PanelView view;
    test::RecordingDialogs dialogs;
    ScriptedLine line;
    VirtualClock clock;
    MainCore core{view, dialogs, line, clock};
};

TEST_F(SetupTest, DeviceAnsweringInPacketsNeedsNoUpload)
{
    line.responder = ScriptedLine::answerEveryPacket(0);
    EXPECT_TRUE(core.InitHardware("COM7:"));
    EXPECT_EQ(line.openedNames, (std::vector<std::string>{"COM7:"}));
    EXPECT_EQ(view.panel1, (std::vector<std::string>{"Suche Hardware...", "Hardware initialisiert"}));
    EXPECT_EQ(core.device().UploadCount, 0);
    EXPECT_TRUE(line.isOpen());
    EXPECT_EQ(std::count_if(line.writes.begin(), line.writes.end(), [](const Bytes& b) { return b.size() == 256; }), 0);
}

TEST_F(SetupTest, BootLoaderGetsTheFirmwareThenTheDeviceIsFound)
{
    BootThenPackets device;
    line.responder = std::ref(device);
    firmware(std::string(600, 'A') + "\r\n");
    EXPECT_TRUE(core.InitHardware("COM3:"));
    EXPECT_EQ(device.uploads(1), 1);
    EXPECT_EQ(device.blocks, 2); // 301 pairs: 22 groups
    EXPECT_EQ(core.device().UploadCount, -301);
    EXPECT_EQ(view.panel1, (std::vector<std::string>{"Suche Hardware...", "Initialisiere Hardware: 74 %",
                                                     "Initialisiere Hardware: 100 %", "Hardware initialisiert"}));
    EXPECT_GE(view.statusRepaints, 4);
}

TEST_F(SetupTest, EmptyFirmwareFileIsTriedElevenTimes)
{
    BootThenPackets device;
    line.responder = std::ref(device);
    firmware("");
    EXPECT_FALSE(core.InitHardware("COM3:"));
    EXPECT_EQ(device.uploads(2), 11);
    EXPECT_EQ(view.panel1.back(), "Hardware nicht gefunden");
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(line.closeCount, 1);
}

TEST_F(SetupTest, UploadThatReachedTheEndIsNotRepeated)
{
    BootThenPackets device;
    device.bootOnly = true;
    line.responder = std::ref(device);
    firmware("0011\r\n");
    EXPECT_FALSE(core.InitHardware("COM3:"));
    EXPECT_EQ(device.uploads(1), 1);
    EXPECT_EQ(device.blocks, 1);
    EXPECT_EQ(view.panel1.back(), "Hardware nicht gefunden");
}

TEST_F(SetupTest, FirmwareFileErrorStopsTheInitialisation)
{
    BootThenPackets device;
    line.responder = std::ref(device);
    try {
        core.InitHardware("COM3:");
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(e.text(), "Datei nicht gefunden: " + core.FirmwareFile());
    }
    EXPECT_EQ(device.uploads(1), 1);
    EXPECT_EQ(view.panel1, (std::vector<std::string>{"Suche Hardware..."}));
}

TEST_F(SetupTest, PortThatCannotBeOpenedLeavesThePanel)
{
    line.openSucceeds = false;
    EXPECT_THROW(core.InitHardware("COM9:"), RangeError);
    EXPECT_TRUE(view.panel1.empty());
    EXPECT_EQ(view.status[1], "Hardware nicht initialisiert");
    // Refused for want of rights: the line's text, naming the group.
    line.denied = "Keine Berechtigung für /dev/ttyS8: der Benutzer muss der Gruppe dialout angehören";
    try {
        core.InitHardware("COM9:");
        ADD_FAILURE() << "no abort";
    } catch (const RangeError&) {
        ADD_FAILURE() << "the range error instead of the reason";
    } catch (const AbortError& e) {
        EXPECT_EQ(std::string(e.what()), line.denied);
    }
    EXPECT_TRUE(view.panel1.empty());
}

TEST_F(SetupTest, HardwareCommandStopsClosesShowsDownloadsAndPollsAgain)
{
    line.opened = true;
    line.responder = ScriptedLine::answerEveryPacket(0);
    view.timer = true;
    ScriptedDialog dialog;
    dialog.onShow = [&] {
        EXPECT_FALSE(view.timer); // no poll while the dialog is open
        EXPECT_FALSE(line.isOpen());
        line.clearWrites();
        core.InitHardware("COM7:");
    };
    core.Hardware1Click(dialog);
    EXPECT_EQ(dialog.shown, 1);
    EXPECT_EQ(view.timerCalls, (std::vector<bool>{false, true}));
    EXPECT_EQ(view.status[1], "Hardware initialisiert");
    // After the dialog: a stop, then the set (all eight silent).
    Writes tail(line.writes.end() - 9, line.writes.end());
    Writes expected{Packet(32, 0)};
    for (int i = 0; i < 8; ++i)
        expected.push_back(Packet(104, i));
    EXPECT_EQ(tail, expected);
}

TEST_F(SetupTest, HardwareCommandPollsAgainWhenNothingWasFound)
{
    ScriptedDialog dialog; // the operator leaves without initialising
    core.Hardware1Click(dialog);
    EXPECT_TRUE(view.timer);
    EXPECT_TRUE(line.writes.empty()); // the port is closed: nothing goes out

    // Also when the download is aborted.
    core.form().Record(0).Used = true;
    core.form().Record(0).SetDefaultTexts();
    core.form().Record(0).Freq = "-5";
    dialog.onShow = [&] { line.opened = true; };
    view.timer = false;
    EXPECT_THROW(core.Hardware1Click(dialog), RangeError);
    EXPECT_TRUE(view.timer);
}

TEST_F(SetupTest, ClosingStopsTheDeviceBeforeTheClose)
{
    line.opened = true;
    core.device().Running = true;
    core.FormClose();
    EXPECT_EQ(line.writes, (Writes{Packet(32, 0), Packet(32, 0)}));
    EXPECT_FALSE(line.isOpen());
    line.clearWrites();
    core.Beenden1Click(); // port closed: nothing goes out
    EXPECT_TRUE(line.writes.empty());
    EXPECT_EQ(line.closeCount, 2);
}

class DownloadTest : public RunFixture {};

TEST_F(DownloadTest, OnlySignalZeroUsed)
{
    addSine(0, "1000");
    core.DownloadSet();
    Writes expected{
        Packet(98, 0, 0, 0x62, 0x10, 0),
        Packet(104, 0, 0, 0, 0xF8, 0x7F),
        Packet(98, 8),
        Packet(100, 0),
        W24(100, 8, 2500),
        W24(99, 0, 2097152),
        W24(99, 8, 2097152),
    };
    for (int i = 1; i < 8; ++i)
        expected.push_back(Packet(104, i));
    EXPECT_EQ(line.writes, expected);
}

TEST_F(DownloadTest, TablesOnlyWhenChangedWithProgressAndThePanelPutBack)
{
    PanelView pv;
    pv.status[1] = "Hardware initialisiert";
    ScriptedLine l;
    l.responder = ScriptedLine::answerEveryPacket(0);
    VirtualClock c;
    MainCore mc(pv, dialogs, l, c);
    for (int i : {0, 7}) {
        SinusRecord& r = mc.form().Record(i);
        r.Used = true;
        r.SetDefaultTexts();
        for (int k = 0; k < TableSize; ++k)
            r.Table[static_cast<std::size_t>(k)] = (k * (i + 1)) % 1000;
    }
    mc.DownloadSet();
    // The first block of each table, by its first address.
    std::vector<std::uint32_t> firstAddress;
    for (const Bytes& w : l.writes)
        if (w.size() == 1536 && (w[1] | (w[2] << 8) | (w[3] << 16)) % 32768 == 0)
            firstAddress.push_back(w[1] | (w[2] << 8) | (std::uint32_t(w[3]) << 16));
    // Signal 0 to device table 1, signal 7 to device table 0.
    ASSERT_GE(firstAddress.size(), 2u);
    EXPECT_EQ(firstAddress[0], 32768u);
    EXPECT_EQ(firstAddress[1], 0u);

    ASSERT_EQ(pv.panel1.size(), 2u * 128u + 1u);
    EXPECT_EQ(pv.panel1[0], "Lade Tabelle 1: 1 %");
    EXPECT_EQ(pv.panel1[127], "Lade Tabelle 1: 100 %");
    EXPECT_EQ(pv.panel1[128], "Lade Tabelle 8: 1 %");
    EXPECT_EQ(pv.panel1.back(), "Hardware initialisiert");
    EXPECT_EQ(pv.status[1], "Hardware initialisiert");

    l.clearWrites();
    pv.panel1.clear();
    mc.DownloadSet();
    EXPECT_EQ(l.writes.size(), 7u + 6u + 7u); // registers only
    EXPECT_TRUE(pv.panel1.empty());
}

TEST_F(DownloadTest, EvaluationOrderAndFailedTextsAsMinusTen)
{
    addSine(0, "A");
    SinusRecord& r = core.form().Record(0);
    r.Ampl = "B";
    r.Phase = "C";
    r.Start = "D";
    // Freq fails first in the sending order, but every text is evaluated
    // before the first packet: the messages come in the evaluation order.
    EXPECT_THROW(core.DownloadSet(), RangeError);
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"A ist kein gültiger Wert!", "B ist kein gültiger Wert!",
                                                         "C ist kein gültiger Wert!", "D ist kein gültiger Wert!"}));
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(DownloadTest, ZeroFrequencyWithStartTimeAbortsTheDownload)
{
    addSine(0, "0");
    core.form().Record(0).Start = "1";
    try {
        core.DownloadSet();
        FAIL();
    } catch (const AbortError& e) {
        EXPECT_EQ(e.text(), "Gleitkommadivision durch Null");
    }
    EXPECT_EQ(line.writes.size(), 2u); // frequency and amplitude of signal 0
}

} // namespace
} // namespace tonvera::test
