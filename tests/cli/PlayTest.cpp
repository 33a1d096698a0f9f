// tonvera-cli play against tonvera-emu on a pseudo-terminal: the packets it
// sends are those of the window's run control, and Ctrl-C stops the device.

#include <chrono>
#include <csignal>

#include "CliProcess.h"
#include "VirtualDevice.h"
#include "device/SerialSupport.h"
#include "run/MainCore.h"
#include "support/EmuProcess.h"
#include "support/FakeView.h"
#include "support/RecordingDialogs.h"

namespace tonvera::test {
namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

// Status queries, the start and stop packets and synchronisation bytes
// consist of nothing but 00 and 20; how many of them a run sends depends
// on when the ticks fall. Everything else must be the same, byte for byte.
std::vector<std::string> Registers(const std::vector<std::string>& log)
{
    std::vector<std::string> out;
    for (const std::string& l : log)
        if (l.find_first_not_of("02 ") != std::string::npos)
            out.push_back(l);
    return out;
}

int Starts(const std::vector<std::string>& log)
{
    int n = 0;
    for (std::size_t i = 0; i + 1 < log.size(); ++i)
        n += log[i] == "20 00 00 00 00 00" && log[i + 1] == "00 00 00 00 00 00";
    return n;
}

// What the window sends for the same steps: load, "Hardware initialisieren",
// Start, the tick until the run has ended, close.
std::vector<std::string> WindowLog(const std::string& project)
{
    test::FakeView view;
    test::RecordingDialogs dialogs;
    VirtualDevice device;
    MainCore core(view, dialogs, device, device);
    core.files().LoadProject(project);
    struct Dialog : HardwareDialogPort {
        MainCore& core;
        explicit Dialog(MainCore& c) : core(c) {}
        void showModal() override { EXPECT_TRUE(core.InitHardware("virtual")); }
    } dialog(core);
    core.Hardware1Click(dialog);
    core.StartButtonClick();
    for (int tick = 0; tick < 2000 && core.device().Running; ++tick) {
        device.pause(50);
        core.Timer1Timer();
    }
    EXPECT_FALSE(core.device().Running);
    core.FormClose();
    return device.log();
}

TEST(CliPlay, RunThroughThreePositionsSendsWhatTheWindowSends)
{
    EmuProcess emu({"--log", "{dir}/packets.log"});
    // A limit beyond the clock's range is no limit, not one in the past.
    const CliResult r = RunCli({"play", FixturePath("three_positions.tva"), "--port", emu.link(), "--timeout", "1e10"});
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(Contains(r.out, "Hardware: Hardware initialisiert\nStart\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "Position 2\nPosition 3\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "Lauf beendet\n")) << r.out;

    std::vector<std::string> played;
    ASSERT_TRUE(EmuProcess::waitFor([&] {
        played = Lines(ReadAll(emu.path("packets.log")));
        return !played.empty() && played.back() == "20 00 00 00 00 00";
    }));
    const std::vector<std::string> window = WindowLog(FixturePath("three_positions.tva"));
    EXPECT_EQ(Registers(played), Registers(window));
    EXPECT_EQ(Starts(played), 3);
    EXPECT_EQ(Starts(window), 3);
    // The frequency of each position, in order: 100 Hz with the hardware
    // dialog's download and again with Start's, then 200 and 300 Hz.
    std::vector<std::string> freqs;
    for (const std::string& l : Registers(played))
        if (l.rfind("62 00 ", 0) == 0 || l.rfind("42 00 ", 0) == 0)
            freqs.push_back(l);
    EXPECT_EQ(freqs, (std::vector<std::string>{"62 00 00 a3 01 00", "62 00 00 a3 01 00", "42 00 00 47 03 00",
                                               "42 00 00 ea 04 00"}));
}

TEST(CliPlay, InterruptStopsTheDevice)
{
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "1000");
    p.globals.check(CheckBox::Repeated) = true; // endless: only Ctrl-C ends it
    p.write(dir.path("endless.tva"));
    ProjectBuilder q;
    q.signal(0, "1000");
    q.globals.Signaldauer = "60000";
    q.write(dir.path("long.tva"));

    for (const auto& [file, expected] : {std::pair{"endless.tva", 0}, std::pair{"long.tva", 130}}) {
        EmuProcess emu({"--log", "{dir}/packets.log"});
        CliProcess cli({"play", dir.path(file), "--port", emu.link()});
        ASSERT_TRUE(EmuProcess::waitFor([&] { return Contains(cli.out(), "Signal: Signal OK\n"); })) << cli.err();
        cli.signal(SIGINT);
        EXPECT_EQ(cli.wait(std::chrono::seconds(20)), expected) << file << cli.err();
        EXPECT_TRUE(Contains(cli.out(), "Lauf angehalten\n")) << cli.out();
        // The last packets: Stop, then the stop of closing the window.
        ASSERT_TRUE(EmuProcess::waitFor([&] {
            const auto l = Lines(ReadAll(emu.path("packets.log")));
            return l.size() >= 2 && l[l.size() - 1] == "20 00 00 00 00 00" && l[l.size() - 2] == "20 00 00 00 00 00";
        })) << file;
    }
}

TEST(CliPlay, TimeLimitStopsTheDevice)
{
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "1000");
    p.globals.Signaldauer = "60000";
    p.write(dir.path("long.tva"));
    EmuProcess emu({"--log", "{dir}/packets.log"});
    const CliResult r = RunCli({"play", dir.path("long.tva"), "--port", emu.link(), "--timeout", "0,5"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "Zeitlimit von 0,5 s erreicht: Lauf angehalten\n");
    ASSERT_TRUE(EmuProcess::waitFor([&] {
        const auto l = Lines(ReadAll(emu.path("packets.log")));
        return !l.empty() && l.back() == "20 00 00 00 00 00";
    }));
    EXPECT_EQ(Starts(Lines(ReadAll(emu.path("packets.log")))), 1);
}

// Signal 0 with a table that must be uploaded (about 17 s at the line's
// real speed, well under a second without pacing).
void WriteProjectWithTable(const std::string& path, const std::string& length = "100")
{
    ProjectBuilder p;
    SinusRecord& r = p.signal(0, "1000");
    for (std::size_t k = 0; k < WaveTable::Size; ++k)
        r.Table[k] = static_cast<std::int32_t>(k % 1000) - 500;
    p.globals.Signaldauer = length;
    p.write(path);
}

using Clock = std::chrono::steady_clock;

TEST(CliPlay, ADeviceThatVanishesEndsTheRunWithItsMessage)
{
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "1000");
    p.globals.Signaldauer = "60000";
    p.write(dir.path("long.tva"));
    EmuProcess emu;
    CliProcess cli({"play", dir.path("long.tva"), "--port", emu.link()});
    ASSERT_TRUE(EmuProcess::waitFor([&] { return Contains(cli.out(), "Signal: Signal OK\n"); })) << cli.err();
    ::kill(emu.pid(), SIGKILL);
    const auto lost = Clock::now();
    EXPECT_EQ(cli.wait(std::chrono::seconds(20)), 1) << cli.err();
    EXPECT_LT(Clock::now() - lost, std::chrono::seconds(3));
    EXPECT_TRUE(Contains(cli.err(), "Achtung: Verbindung zum Gerät unterbrochen\n")) << cli.err();
}

TEST(CliPlay, ADeviceThatStopsTakingBytesEndsTheUploadOnce)
{
    TempDir dir;
    WriteProjectWithTable(dir.path("table.tva"));
    EmuProcess emu({"--pace"});
    CliProcess cli({"play", dir.path("table.tva"), "--port", emu.link()});
    ASSERT_TRUE(EmuProcess::waitFor([&] { return Contains(cli.out(), "Lade Tabelle 1: 10 %"); })) << cli.err();
    ::kill(emu.pid(), SIGSTOP);
    const auto stopped = Clock::now();
    const int code = cli.wait(std::chrono::seconds(30));
    const auto took = Clock::now() - stopped;
    ::kill(emu.pid(), SIGCONT);
    EXPECT_EQ(code, 1) << cli.err();
    // One stall time, plus a second one when the pseudo-terminal still took
    // a block after the stop: the stall counts from the last byte taken.
    EXPECT_LT(took, std::chrono::seconds(12));
    EXPECT_TRUE(Contains(cli.err(), "Fehler: Übertragung abgebrochen: das Gerät nimmt seit 5 s keine Daten an\n"))
        << cli.err();
}

TEST(CliPlay, InterruptBreaksAnUploadOffBetweenTwoBlocks)
{
    TempDir dir;
    WriteProjectWithTable(dir.path("table.tva"));
    EmuProcess emu({"--pace"});
    CliProcess cli({"play", dir.path("table.tva"), "--port", emu.link()});
    ASSERT_TRUE(EmuProcess::waitFor([&] { return Contains(cli.out(), "Lade Tabelle 1: 10 %"); })) << cli.err();
    cli.signal(SIGINT);
    const auto asked = Clock::now();
    EXPECT_EQ(cli.wait(std::chrono::seconds(30)), 130) << cli.err();
    EXPECT_LT(Clock::now() - asked, std::chrono::seconds(3));
    EXPECT_TRUE(Contains(cli.err(), "Fehler: Übertragung abgebrochen\n")) << cli.err();
    // Only what happened: the upload's last step, not the panel's text put
    // back after it as if the set had arrived.
    const std::string out = cli.out();
    const std::string found = "Hardware: Hardware initialisiert\n";
    ASSERT_NE(out.find(found), std::string::npos) << out;
    EXPECT_EQ(out.find(found), out.rfind(found)) << out;
    EXPECT_TRUE(out.ends_with(" %\n")) << out;
}

// Every 100000th byte lost: a table upload never plays garbled. Either the
// second upload gets through (and is seen whole in the log), or the tool
// says which table did not.
TEST(CliPlay, BytesLostInAnUploadNeverPlayAGarbledTable)
{
    TempDir dir;
    WriteProjectWithTable(dir.path("table.tva"));
    EmuProcess emu({"--drop", "100000", "--log", "{dir}/packets.log"});
    const CliResult r = RunCli({"play", dir.path("table.tva"), "--port", emu.link(), "--timeout", "20"});
    if (r.code == 0) {
        std::size_t words = 0;
        for (const std::string& l : Lines(ReadAll(emu.path("packets.log"))))
            words += l.rfind("71 ", 0) == 0;
        EXPECT_GT(words, 2u * WaveTable::Size - 10);
    } else {
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(Contains(r.err, "Fehler: Tabelle 1 wurde nicht fehlerfrei übertragen\n")) << r.err;
        EXPECT_FALSE(Contains(r.out, "Start\n"));
    }
}

TEST(CliPlay, PortThatCannotBeOpenedIsNamedWithTheReason)
{
    const CliResult r = RunCli({"play", FixturePath("three_positions.tva"), "--port", "/dev/ttyUSB7"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Fehler: Anschluss /dev/ttyUSB7 kann nicht geöffnet werden: nicht vorhanden\n");
    EXPECT_FALSE(Contains(r.out, "Start"));

    // Held by another program that wrote its lock elsewhere: seen holding it.
    EmuProcess emu;
    TempDir locks;
    SerialSupport holder(locks.path().string());
    ASSERT_TRUE(holder.open(emu.link()));
    const CliResult busy = RunCli({"play", FixturePath("three_positions.tva"), "--port", emu.link()});
    EXPECT_EQ(busy.code, 1);
    EXPECT_EQ(busy.err, "Fehler: Anschluss " + emu.link() + " kann nicht geöffnet werden: belegt von tests_cli (PID " +
                            std::to_string(::getpid()) + ")\n");
}

} // namespace
} // namespace tonvera::test
