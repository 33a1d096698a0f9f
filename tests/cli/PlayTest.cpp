// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-cli play against tonvera-emu on a pseudo-terminal: the packets it
// sends are those of the window's run control, and Ctrl-C stops the device.

#include <chrono>
#include <csignal>
#include <optional>

#include "CliProcess.h"
#include "RenderRun.h"
#include "preview/EmuLine.h"
#include "support/AnswerRelay.h"
#include "VirtualDevice.h"
#include "device/SerialSupport.h"
#include "run/MainCore.h"
#include "support/EmuProcess.h"
#include "support/FakeView.h"
#include "support/RecordingDialogs.h"

namespace tonvera::test {
namespace {

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

TEST(CliPlay, OrderAndSeedOnTheCommandLineSendWhatTheWindowSendsWithThemSaved)
{
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "F");
    p.variable(0, {"F", "100", "200", "300", "400"});
    p.globals.Signaldauer = "40";
    p.globals.check(CheckBox::varcheck) = true;
    p.write(dir.path("plain.tva"));
    p.globals.Order = {OrderKind::Random, "7", ""};
    p.write(dir.path("seeded.tva"));

    EmuProcess emu({"--log", "{dir}/packets.log"});
    const CliResult r = RunCli(
        {"play", dir.path("plain.tva"), "--port", emu.link(), "--order", "random", "--seed", "7", "--timeout", "30"});
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_TRUE(Contains(r.out, "Start\nReihenfolge zufällig, Startwert 7\n")) << r.out;
    std::vector<std::string> played;
    ASSERT_TRUE(EmuProcess::waitFor([&] {
        played = Lines(ReadAll(emu.path("packets.log")));
        return !played.empty() && played.back() == "20 00 00 00 00 00";
    }));
    const std::vector<std::string> window = WindowLog(dir.path("seeded.tva"));
    EXPECT_EQ(Registers(played), Registers(window));
    EXPECT_EQ(Starts(played), 4);
    // Not the ascending order: the window's log of the plain project differs.
    EXPECT_NE(Registers(WindowLog(dir.path("plain.tva"))), Registers(window));
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

// A device that vanishes (the emulator killed), and one whose line still
// carries the program's bytes while no answer comes back (the device plays
// on): either ends the run with its message, instead of polling "Signal OK"
// for ever.
TEST(CliPlay, ADeviceThatVanishesOrFallsSilentEndsTheRunWithItsMessage)
{
    TempDir dir;
    ProjectBuilder p;
    p.signal(0, "1000");
    p.globals.Signaldauer = "60000";
    p.write(dir.path("long.tva"));
    for (const bool silent : {false, true}) {
        EmuProcess emu;
        // Only the silent case has a relay: it holds the emulator's port.
        std::optional<AnswerRelay> relay;
        if (silent)
            relay.emplace(emu.link(), dir.path("relay"));
        CliProcess cli({"play", dir.path("long.tva"), "--port", silent ? relay->link() : emu.link()});
        ASSERT_TRUE(EmuProcess::waitFor([&] { return Contains(cli.out(), "Signal: Signal OK\n"); })) << cli.err();
        if (silent)
            relay->muteAnswers();
        else
            ::kill(emu.pid(), SIGKILL);
        const auto gone = Clock::now();
        EXPECT_EQ(cli.wait(std::chrono::seconds(20)), 1) << cli.err();
        EXPECT_LT(Clock::now() - gone, std::chrono::seconds(silent ? 2 : 3));
        const std::string said = silent ? "Das Gerät antwortet nicht mehr" : "Verbindung zum Gerät unterbrochen";
        EXPECT_TRUE(Contains(cli.err(), "Achtung: " + said + "\n")) << cli.err();
        EXPECT_FALSE(Contains(cli.out(), "Lauf beendet")) << cli.out();
    }
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

// The number of the packet that sets signal 1's amplitude after the table:
// the bytes before it are six times that, since every byte the device
// received before it belonged to a whole packet.
std::size_t RegistersAfterTheTable(const std::vector<emu::Packet>& packets)
{
    std::size_t last = 0;
    for (std::size_t i = 0; i < packets.size(); ++i)
        if (packets[i][0] == 0x71)
            last = i;
    for (std::size_t i = last; i < packets.size(); ++i)
        if (packets[i] == emu::Packet{104, 1, 0, 0, 0, 0})
            return i;
    ADD_FAILURE() << "no registers after the table";
    return 0;
}

// Every N-th byte lost, for N across a whole run: inside the table, whole
// packets of it (multiples of 6), and in the registers after it. The run
// may end in success only when the device played exactly the project. The
// device model in this process on its virtual clock: the sweep takes
// seconds, where each failed table costs its wire time on a terminal.
TEST(CliPlay, ARunThatLostBytesEndsInSuccessOnlyWhenTheDevicePlayedTheProject)
{
    TempDir dir;
    const std::string project = dir.path("table.tva");
    WriteProjectWithTable(project, "20");
    struct Played {
        cli::RunEnd end;
        std::string wav;
        std::string err;
    };
    std::vector<emu::Packet> packets;
    const auto play = [&](std::uint32_t drop) {
        std::ostringstream out, err;
        preview::EmuLine line(true, emu::FaultModes{.drop = drop});
        packets.clear();
        line.emulator().onPacket = [&](const emu::Packet& p) { packets.push_back(p); };
        cli::RunSession session(out, err, line, line);
        EXPECT_TRUE(session.load(project, std::nullopt));
        emu::WavFile wav(48000, false);
        const cli::RenderedProject r = cli::RenderSession(session, line, wav, 60);
        return Played{r.end, wav.bytes(), err.str()};
    };
    const Played clean = play(0);
    ASSERT_EQ(clean.end, cli::RunEnd::Ended) << clean.err;
    const std::size_t registers = RegistersAfterTheTable(packets);

    std::vector<std::uint32_t> drops;
    for (double n = 1000; n <= 200000; n *= 1.16)
        drops.push_back(static_cast<std::uint32_t>(n));
    for (std::uint32_t n : {6000, 12000, 18000, 29994, 30000, 31998, 32004, 98304, 196608})
        drops.push_back(n);
    // The registers of signals 1..7 and the start, after the table.
    for (std::size_t at = 1; at <= 50; at += 7)
        drops.push_back(static_cast<std::uint32_t>(registers * 6 + at));
    ASSERT_GE(drops.size(), 40u);

    for (const std::uint32_t n : drops) {
        const Played r = play(n);
        if (r.end == cli::RunEnd::Ended) {
            EXPECT_TRUE(r.wav == clean.wav) << "drop " << n << " ended in success with another recording";
        } else {
            EXPECT_EQ(r.end, cli::RunEnd::Failed) << "drop " << n;
            EXPECT_TRUE(Contains(r.err, "wurde nicht fehlerfrei übertragen") || Contains(r.err, "nicht bestätigt"))
                << "drop " << n << ": " << r.err;
        }
    }
}

// The same on the terminal, for a byte lost in the registers after the
// table: the tool names it and exits 1, with nothing started.
TEST(CliPlay, BytesLostOnTheTerminalEndTheToolWithTheirMessage)
{
    TempDir dir;
    const std::string project = dir.path("table.tva");
    WriteProjectWithTable(project, "20");
    std::size_t registers = 0;
    {
        EmuProcess emu({"--log", "{dir}/packets.log"});
        ASSERT_EQ(RunCli({"play", project, "--port", emu.link()}).code, 0);
        emu.stop();
        // A run of table words is one line "q ADDRESS COUNT".
        bool afterTable = false;
        for (const std::string& l : Lines(ReadAll(emu.path("packets.log")))) {
            if (afterTable && l == "68 01 00 00 00 00")
                break;
            if (l.rfind("q ", 0) == 0) {
                afterTable = true;
                registers += std::stoul(l.substr(l.rfind(' ') + 1));
            } else {
                ++registers;
            }
        }
        ASSERT_TRUE(afterTable);
    }
    EmuProcess emu({"--drop", std::to_string(registers * 6 + 3)});
    const CliResult r = RunCli({"play", project, "--port", emu.link(), "--timeout", "60"});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_TRUE(Contains(r.err, "Fehler: Das Gerät hat 1 von ")) << r.err;
    EXPECT_FALSE(Contains(r.out, "Start\n"));
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
