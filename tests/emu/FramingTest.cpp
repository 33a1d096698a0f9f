// SPDX-License-Identifier: GPL-3.0-or-later
// The emulator's framing against the program's own synchronisation checks,
// and the fault modes that must make those checks fail.

#include <gtest/gtest.h>

#include <set>

#include "EmuHarness.h"
#include "device/Protocol.h"

namespace tonvera::emu {
namespace {

using test::EmuHarness;

EmulatorOptions WithFaults(FaultModes f)
{
    EmulatorOptions o;
    o.faults = f;
    return o;
}

TEST(Framing, CheckSyncSucceedsStoppedAndRunning)
{
    EmuHarness h;
    EXPECT_TRUE(h.device.Synchronize());
    EXPECT_TRUE(h.device.CheckSync());
    h.device.Running = true;
    EXPECT_TRUE(h.device.CheckSync());
    EXPECT_EQ(h.emulator.partialPacket(), 0u);
}

TEST(Framing, SynchronizeAndCheckSyncRealignAfterAPartialPacket)
{
    for (std::size_t held = 1; held < 6; ++held) {
        EmuHarness h;
        const std::uint8_t junk[] = {98, 1, 2, 3, 4};
        h.line.writeBlock(std::span<const std::uint8_t>(junk, held));
        EXPECT_TRUE(h.device.Synchronize()) << held;
        EXPECT_EQ(h.emulator.partialPacket(), 0u) << held;
        EXPECT_TRUE(h.device.CheckSync()) << held;
    }
}

TEST(Framing, StatusReadingsAgreeWithTheModel)
{
    EmuHarness h;
    EXPECT_EQ(h.device.ReadStatus(), StatusInput);
    h.emulator.device().setInput(false);
    EXPECT_EQ(h.device.ReadStatus(), 0);
}

TEST(Framing, EveryByteAnsweredFailsCheckSync)
{
    EmuHarness h(WithFaults({.answerEveryByte = true}));
    EXPECT_FALSE(h.device.CheckSync());
    // Every byte of a packet got its own reply.
    h.line.input.clear();
    h.device.SetFrequency(0, 100);
    EXPECT_EQ(h.line.input.size(), 6u);
}

TEST(Framing, SilentFailsCheckSyncAndStillDecodes)
{
    EmuHarness h(WithFaults({.silent = true}));
    h.device.SetFrequency(3, 1000);
    EXPECT_EQ(h.regs().channels[3].frequency, 4194u);
    EXPECT_FALSE(h.device.CheckSync());
    EXPECT_EQ(h.device.ReadStatus(), 0);
    EXPECT_TRUE(h.line.input.empty());
}

TEST(Framing, GarbageIsNotAPacketDevice)
{
    EmulatorOptions o = WithFaults({.garbage = true});
    o.seed = 7;
    Emulator e(o);
    std::vector<std::uint8_t> all;
    for (int i = 0; i < 600; ++i) {
        const std::uint8_t b = 32;
        const auto r = e.receive(std::span<const std::uint8_t>(&b, 1), EmuTime(i));
        all.insert(all.end(), r.begin(), r.end());
    }
    // Random bytes at random times: far more than one per packet, and not
    // the status byte.
    EXPECT_GT(all.size(), 200u);
    EXPECT_LT(all.size(), 400u);
    EXPECT_GT(std::set<std::uint8_t>(all.begin(), all.end()).size(), 50u);
}

TEST(Framing, DropLosesEveryNthByte)
{
    EmuHarness h(WithFaults({.drop = 4}));
    // 24 bytes sent, 18 arrive: three packets, three answers.
    for (int i = 0; i < 4; ++i)
        h.device.SetEndDamp(0);
    EXPECT_EQ(h.emulator.bytesDropped(), 6u);
    EXPECT_EQ(h.line.input.size(), 3u);
    EXPECT_EQ(h.emulator.partialPacket(), 0u);
}

TEST(Framing, WirePaceHoldsTheBaudRateAndSavesNoIdleTime)
{
    WirePace pace(115200);
    const EmuTime t0 = std::chrono::seconds(10);
    // After a long idle time one byte may go at once, not a backlog.
    pace.idle(t0);
    EXPECT_EQ(pace.allowance(t0), 1u);
    pace.consumed(1);
    EXPECT_EQ(pace.allowance(t0), 0u);
    // A steady stream: one second carries 11,520 bytes, however it is read.
    std::size_t total = 0;
    for (int ms = 1; ms <= 1000; ms += 7) {
        const std::size_t n = pace.allowance(t0 + std::chrono::milliseconds(ms));
        pace.consumed(n);
        total += n;
    }
    total += pace.allowance(t0 + std::chrono::seconds(1));
    EXPECT_GE(total, 11519u);
    EXPECT_LE(total, 11520u);
}

} // namespace
} // namespace tonvera::emu
