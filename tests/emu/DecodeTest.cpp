// SPDX-License-Identifier: GPL-3.0-or-later
// Every register packet the program's device object sends must land in the
// right register with the right value, whether it goes out in the running
// or in the stopped form.

#include <gtest/gtest.h>

#include "EmuHarness.h"
#include "emu/Registers.h"
#include "device/Protocol.h"

namespace tonvera::emu {
namespace {

using test::EmuHarness;

class DecodeTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { h.device.Running = GetParam(); }
    EmuHarness h;
};

TEST_P(DecodeTest, PerSignalRegisters)
{
    h.device.SetFrequency(2, 1000);
    h.device.SetPhase(3, -90);
    h.device.SetAttenuation(0, 0);
    h.device.SetAttenuation(1, 6);
    h.device.SetAttenuation(6, -1);
    h.device.SetStartTime(4, 1.5);
    h.device.SetRampDownStart(4, 20);
    h.device.SetRampUp(5, 1);
    h.device.SetRampDown(5, 2);

    const auto& ch = h.regs().channels;
    EXPECT_EQ(ch[2].frequency, 4194u);
    EXPECT_EQ(ch[3].phase, 12582912u);
    EXPECT_EQ(ch[0].amplitude(), 32760u);
    EXPECT_EQ(ch[1].amplitude(), 16419u);
    EXPECT_EQ(ch[6].amplitude(), 0u);
    EXPECT_EQ(ch[4].startTime, 150u);
    EXPECT_EQ(ch[4].fallStart, 2000u);
    EXPECT_EQ(ch[5].rampUp, 4194u);
    EXPECT_EQ(ch[5].rampDown, 2097u);
    // Nothing spilled into a neighbour.
    EXPECT_EQ(ch[3].frequency, 0u);
    EXPECT_EQ(ch[2].phase, 0u);
    EXPECT_EQ(ch[5].startTime, 0u);
    EXPECT_EQ(ch[4].rampUp, Word24Max);
    EXPECT_EQ(h.emulator.device().unknownPackets(), 0u);
}

TEST_P(DecodeTest, GlobalRegisters)
{
    h.device.SetSignalLength(false, 100);
    EXPECT_EQ(h.regs().period, 15'000'000u);
    EXPECT_EQ(h.regs().endOfOutput, 10'000u);
    h.device.SetSignalLength(true, 250);
    EXPECT_EQ(h.regs().period, 25'000u);
    EXPECT_EQ(h.regs().endOfOutput, 15'000'000u);

    h.device.SetTriggerWindow(1, 2.5);
    EXPECT_EQ(h.regs().triggerStart, 100u);
    EXPECT_EQ(h.regs().triggerStop, 250u);

    h.device.SetEndDamp(191.25);
    EXPECT_EQ(h.regs().endDampSteps, 255u);

    h.device.SetRepetitions(3, false);
    EXPECT_EQ(h.regs().repetitions, 3u);
    EXPECT_FALSE(h.regs().endless);
    h.device.SetRepetitions(1, true);
    EXPECT_EQ(h.regs().repetitions, 1u);
    EXPECT_TRUE(h.regs().endless);
    h.device.SetRepetitions(0, false);
    EXPECT_EQ(h.regs().repetitions, 0u);

    h.device.SetTableMode(3);
    EXPECT_EQ(h.regs().tableMode, 3u);
    h.device.SetTableMode(1);
    EXPECT_EQ(h.regs().tableMode, 1u);
    EXPECT_EQ(h.emulator.device().unknownPackets(), 0u);
}

TEST_P(DecodeTest, EveryPacketIsAnsweredOnce)
{
    h.device.SetFrequency(0, 440);
    h.device.SetRepetitions(2, false); // two packets
    h.device.SetEndDamp(0);
    EXPECT_EQ(h.line.input.size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(RunningAndStopped, DecodeTest, ::testing::Bool());

TEST(Decode, StoppedFormIsTheCodePlus32)
{
    const Command plain = DecodePacket({66, 9, 0, 1, 2, 3});
    const Command stopped = DecodePacket({98, 9, 0, 1, 2, 3});
    EXPECT_EQ(plain.kind, CommandKind::Phase);
    EXPECT_EQ(stopped.kind, CommandKind::Phase);
    EXPECT_FALSE(plain.stopForm);
    EXPECT_TRUE(stopped.stopForm);
    EXPECT_EQ(plain.channel, 1);
    EXPECT_EQ(plain.value, 0x030201u);
}

TEST(Decode, TableWordsAndTheirNumbering)
{
    // Signal 0's table goes to device table 1, signal 7's to table 0.
    EXPECT_EQ(DeviceTableOf(0), 1);
    EXPECT_EQ(DeviceTableOf(6), 7);
    EXPECT_EQ(DeviceTableOf(7), 0);

    DeviceModel d;
    const auto at = EmuTime(0);
    d.onPacket(protocol::MakeTableWordPacket(1 * 32768 + 5, -2), at);
    d.onPacket(protocol::MakeTableWordPacket(7 * 32768 + 32767, 32500), at);
    d.onPacket(protocol::MakeTableWordPacket(0, 65535), at); // 16-bit two's complement
    EXPECT_EQ(d.tables()[32768 + 5], -2);
    EXPECT_EQ(d.tables()[8 * 32768 - 1], 32500);
    EXPECT_EQ(d.tables()[0], -1);
    const Command c = DecodePacket(protocol::MakeTableWordPacket(0x123456, 0x7FFF));
    EXPECT_EQ(c.kind, CommandKind::TableWord);
    EXPECT_EQ(c.value, 0x123456u);
    EXPECT_EQ(c.sample, 0x7FFF);
    // Outside the table memory: no write, counted as unknown.
    d.onPacket(protocol::MakeTableWordPacket(0x123456, 1), at);
    EXPECT_EQ(d.unknownPackets(), 1u);
}

TEST(Decode, MalformedPacketsChangeNothing)
{
    DeviceModel d;
    const DeviceRegisters before = d.registers();
    for (const Packet& p : {Packet{98, 16, 0, 1, 2, 3}, Packet{104, 8, 0, 0, 0xF8, 0x7F}, Packet{101, 4, 0, 1, 0, 0},
                            Packet{98, 0, 7, 1, 0, 0}, Packet{0, 1, 0, 0, 0, 0}, Packet{0x7E, 0, 0, 0, 0, 0}})
        d.onPacket(p, EmuTime(0));
    EXPECT_EQ(d.registers(), before);
    EXPECT_EQ(d.unknownPackets(), 6u);
}

} // namespace
} // namespace tonvera::emu
