// SPDX-License-Identifier: GPL-3.0-or-later
// The program's real serial layer and device object against tonvera-emu on
// a pseudo-terminal.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "device/SerialSupport.h"
#include "device/SleepPause.h"
#include "device/TTonvera.h"
#include "support/EmuProcess.h"

namespace tonvera {
namespace {

using test::EmuProcess;
using namespace std::chrono_literals;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The framing check allows each reply 15 ms. A test machine under load can
// miss that now and then; a device that keeps the framing passes within a
// few tries, one that does not never passes.
bool CheckSyncWithinTries(TTonvera& device, int tries = 3)
{
    for (int i = 0; i < tries; ++i)
        if (device.CheckSync())
            return true;
    return false;
}

struct Connection {
    explicit Connection(const EmuProcess& emu) : device(line, pause)
    {
        EXPECT_TRUE(line.open(emu.link())) << emu.link();
    }
    SerialSupport line;
    SleepPause pause;
    TTonvera device;
};

TEST(EmulatorLine, CheckSyncSucceedsAgainstTheEmulator)
{
    EmuProcess emu;
    Connection c(emu);
    EXPECT_TRUE(c.device.Synchronize());
    EXPECT_TRUE(CheckSyncWithinTries(c.device)) << emu.output();
}

// Devices that do not keep the packet framing: the check must see it.
class FaultyDevice : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(FaultyDevice, CheckSyncFails)
{
    EmuProcess emu(GetParam());
    Connection c(emu);
    EXPECT_FALSE(c.device.CheckSync()) << emu.output();
}

INSTANTIATE_TEST_SUITE_P(EmulatorLine, FaultyDevice,
                         ::testing::Values(std::vector<std::string>{"--answer-every-byte"},
                                           std::vector<std::string>{"--silent"},
                                           std::vector<std::string>{"--garbage", "--seed", "3"},
                                           std::vector<std::string>{"--drop", "3"}));

TEST(EmulatorLine, ASilentDeviceReadsAsStatusZero)
{
    EmuProcess emu({"--silent", "--input", "1"});
    Connection c(emu);
    EXPECT_EQ(c.device.ReadStatus(), 0);
}

// Each status check waits for its state instead of trusting one reading: on
// a loaded machine a reply can miss its 10 ms window.
TEST(EmulatorLine, StatusReportsTheEndOfAShortRun)
{
    EmuProcess emu;
    Connection c(emu);
    auto runEnd = [&] { return (c.device.ReadStatus() & protocol::StatusRunEnd) != 0; };
    c.device.OpenDevice(emu.link());
    c.device.SetTableMode(1);
    c.device.SetSignalLength(false, 200);
    c.device.SetRepetitions(1, false);
    c.device.StartOutput();
    EXPECT_TRUE(EmuProcess::waitFor(runEnd));
    // Stopping keeps the end reported until the next start.
    c.device.StopOutput();
    EXPECT_TRUE(EmuProcess::waitFor(runEnd));
    c.device.SetSignalLength(false, 60'000);
    c.device.StartOutput();
    EXPECT_TRUE(EmuProcess::waitFor([&] { return !runEnd(); }));
}

TEST(EmulatorLine, ThePortIsRefusedWhileAnotherProgramHoldsIt)
{
    EmuProcess emu;
    SerialSupport first;
    SerialSupport second;
    ASSERT_TRUE(first.open(emu.link()));
    EXPECT_FALSE(second.open(emu.link()));
    first.close();
    EXPECT_TRUE(second.open(emu.link()));
}

TEST(EmulatorLine, KeepsServingWhenThePortIsClosedAndOpenedAgain)
{
    EmuProcess emu;
    for (int round = 0; round < 3; ++round) {
        Connection c(emu);
        // A packet left half-written by the last session is completed by
        // the synchronisation of the next.
        const std::uint8_t half[] = {98, 1, 0};
        c.line.writeBlock(half);
        EXPECT_TRUE(c.device.Synchronize()) << round;
        EXPECT_TRUE(CheckSyncWithinTries(c.device)) << round;
    }
    EXPECT_TRUE(emu.running());
}

TEST(EmulatorLine, ExternalInputFollowsCommandsFifoAndSignals)
{
    EmuProcess emu({"--input", "0", "--control", "{dir}/control"});
    Connection c(emu);
    auto input = [&] { return (c.device.ReadStatus() & protocol::StatusInput) != 0; };
    EXPECT_FALSE(input());
    emu.setInput(true); // standard input
    EXPECT_TRUE(EmuProcess::waitFor([&] { return input(); }));
    ::kill(emu.pid(), SIGUSR2);
    EXPECT_TRUE(EmuProcess::waitFor([&] { return !input(); }));
    ::kill(emu.pid(), SIGUSR1);
    EXPECT_TRUE(EmuProcess::waitFor([&] { return input(); }));
    {
        std::ofstream fifo(emu.path("control"));
        fifo << "input 0\n";
    }
    EXPECT_TRUE(EmuProcess::waitFor([&] { return !input(); }));
}

TEST(EmulatorLine, TheLogShowsTheBytesAsTheyWentOverTheLine)
{
    EmuProcess emu({"--log", "{dir}/packets.log"});
    {
        Connection c(emu);
        c.device.StopOutput();
        c.device.SetFrequency(2, 1000);
        c.device.SetAttenuation(0, 0);
        c.device.Running = true;
        c.device.SetRepetitions(3, false);
        c.device.ReadStatus(); // two readings that agree: two queries
    }
    const std::string expected =
        "20 00 00 00 00 00\n"
        "62 02 00 62 10 00\n"
        "68 00 00 00 f8 7f\n"
        "49 00 00 00 fc 00\n"
        "49 00 00 00 fc 00\n"
        "00 00 00 00 00 00\n"
        "00 00 00 00 00 00\n";
    EXPECT_TRUE(EmuProcess::waitFor([&] { return ReadFile(emu.path("packets.log")).size() >= expected.size(); }));
    EXPECT_EQ(ReadFile(emu.path("packets.log")), expected);
}

TEST(EmulatorLine, TheEmulatorRemovesItsLinkWhenStopped)
{
    EmuProcess emu;
    ASSERT_TRUE(std::filesystem::is_symlink(emu.link()));
    ::kill(emu.pid(), SIGTERM);
    EXPECT_TRUE(EmuProcess::waitFor([&] { return !emu.running(); }));
    EXPECT_FALSE(std::filesystem::is_symlink(emu.link()));
}

} // namespace
} // namespace tonvera
