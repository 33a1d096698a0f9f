// SPDX-License-Identifier: GPL-3.0-or-later
// The register commands, byte for byte, in both run states.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "device/RegisterError.h"
#include "device/TTonvera.h"
#include "model/Errors.h"
#include "support/ScriptedLine.h"
#include "support/VirtualClock.h"

namespace tonvera {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Writes = std::vector<Bytes>;

class Commands : public ::testing::Test {
protected:
    test::ScriptedLine line;
    test::VirtualClock clock;
    TTonvera dev{line, clock};

    // The single packet written since the last call, then forgets it.
    Bytes only()
    {
        EXPECT_EQ(line.writes.size(), 1u);
        Bytes b = line.writes.empty() ? Bytes{} : line.writes.back();
        line.clearWrites();
        return b;
    }
};

TEST_F(Commands, FrequencyGoesOutLowByteFirstAndShiftedWhileStopped)
{
    dev.SetFrequency(2, 1000);
    EXPECT_EQ(only(), (Bytes{98, 2, 0, 0x62, 0x10, 0x00}));
    dev.Running = true;
    dev.SetFrequency(2, 1000);
    EXPECT_EQ(only(), (Bytes{66, 2, 0, 0x62, 0x10, 0x00}));
}

TEST_F(Commands, FrequencyLimits)
{
    dev.SetFrequency(0, 0);
    EXPECT_EQ(only(), (Bytes{98, 0, 0, 0, 0, 0}));
    dev.SetFrequency(7, 3999999.88);
    EXPECT_EQ(only(), (Bytes{98, 7, 0, 0xFF, 0xFF, 0xFF}));
    EXPECT_THROW(dev.SetFrequency(0, 3999999.9), RangeError);
    EXPECT_THROW(dev.SetFrequency(0, -10), RangeError);
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(Commands, HalvesRoundToEven)
{
    // 2^-17 * 15625 Hz is exactly half a frequency step.
    const double halfStep = 0.11920928955078125;
    dev.SetFrequency(0, halfStep);     // 0.5 -> 0
    dev.SetFrequency(0, 3 * halfStep); // 1.5 -> 2
    dev.SetFrequency(0, 5 * halfStep); // 2.5 -> 2
    EXPECT_EQ(line.writes, (Writes{{98, 0, 0, 0, 0, 0}, {98, 0, 0, 2, 0, 0}, {98, 0, 0, 2, 0, 0}}));
    line.clearWrites();
    dev.SetEndDamp(0.375); // 0.5 steps -> 0
    dev.SetEndDamp(1.125); // 1.5 steps -> 2
    dev.SetEndDamp(1.875); // 2.5 steps -> 2
    EXPECT_EQ(line.writes, (Writes{{103, 0, 0, 0, 0, 0}, {103, 0, 0, 0, 0, 2}, {103, 0, 0, 0, 0, 2}}));
}

TEST_F(Commands, AttenuationAmplitudeSitsInTheTopTwoBytes)
{
    struct Case {
        double db;
        std::uint8_t lo, hi;
    };
    const Case cases[] = {
        {0, 0xF8, 0x7F},   // 32760
        {6, 0x23, 0x40},   // 16419
        {20, 0xCC, 0x0C},  // 3276
        {-1, 0x00, 0x00},  // exactly -1 dB mutes
        {-6, 0x55, 0xFF},  // 65365
        {200, 0x00, 0x00}, // too small to be heard
    };
    for (const Case& c : cases) {
        dev.SetAttenuation(3, c.db);
        EXPECT_EQ(only(), (Bytes{104, 3, 0, 0, c.lo, c.hi})) << c.db << " dB";
    }
    // Near -1 is an ordinary attenuation, not the mute value.
    dev.SetAttenuation(0, -0.999);
    EXPECT_NE(only()[5], 0);
}

TEST_F(Commands, AttenuationAboveFullScaleAbortsBeforeWriting)
{
    EXPECT_THROW(dev.SetAttenuation(0, -6.03), RangeError);
    EXPECT_THROW(dev.SetAttenuation(0, -std::numeric_limits<double>::infinity()), RangeError);
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(Commands, PhaseIsBroughtIntoOneTurn)
{
    struct Case {
        double degrees;
        Bytes word;
    };
    const Case cases[] = {
        {-90, {0x00, 0x00, 0xC0}}, // 270 degrees
        {360, {0, 0, 0}},          {720, {0, 0, 0}},          {-360, {0, 0, 0}},          {-720, {0, 0, 0}},
        {90, {0x00, 0x00, 0x40}},  {450, {0x00, 0x00, 0x40}}, {-450, {0x00, 0x00, 0xC0}}, {180, {0x00, 0x00, 0x80}},
    };
    for (const Case& c : cases) {
        dev.SetPhase(1, c.degrees);
        EXPECT_EQ(only(), (Bytes{98, 9, 0, c.word[0], c.word[1], c.word[2]})) << c.degrees;
    }
    EXPECT_THROW(dev.SetPhase(1, std::numeric_limits<double>::quiet_NaN()), RangeError);
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(Commands, Ramps)
{
    dev.SetRampUp(4, 0);
    dev.SetRampDown(4, 0);
    EXPECT_TRUE(line.writes.empty()) << "a ramp of 0 ms sends nothing";

    dev.SetRampUp(4, 1);
    EXPECT_EQ(only(), (Bytes{99, 4, 0, 0x62, 0x10, 0x00})); // 4194
    dev.SetRampDown(4, 1);
    EXPECT_EQ(only(), (Bytes{99, 12, 0, 0x62, 0x10, 0x00}));

    EXPECT_THROW(dev.SetRampUp(4, 0.00025), RangeError); // would be 2^24
    EXPECT_THROW(dev.SetRampDown(4, -10), RangeError);
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(Commands, TimesInHundredthsOfAMillisecond)
{
    dev.SetStartTime(5, 100);
    EXPECT_EQ(only(), (Bytes{100, 5, 0, 0x10, 0x27, 0x00}));
    dev.SetRampDownStart(5, 167772.15);
    EXPECT_EQ(only(), (Bytes{100, 13, 0, 0xFF, 0xFF, 0xFF}));
    EXPECT_THROW(dev.SetStartTime(5, 167772.16), RangeError);
    EXPECT_THROW(dev.SetRampDownStart(5, -10), RangeError); // a failed evaluation
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(Commands, SignalLengthOrderDependsOnTheFlag)
{
    dev.SetSignalLength(false, 100);
    EXPECT_EQ(line.writes, (Writes{{101, 3, 0, 0xC0, 0xE1, 0xE4}, {101, 0, 0, 0x10, 0x27, 0x00}}));
    line.clearWrites();
    dev.Running = true;
    dev.SetSignalLength(true, 100);
    EXPECT_EQ(line.writes, (Writes{{69, 3, 0, 0x10, 0x27, 0x00}, {69, 0, 0, 0xC0, 0xE1, 0xE4}}));
}

TEST_F(Commands, BadSignalLengthAbortsAtItsOwnPacket)
{
    EXPECT_THROW(dev.SetSignalLength(true, -10), RangeError);
    EXPECT_TRUE(line.writes.empty());
    // With the flag false the fixed period goes first and stays written.
    EXPECT_THROW(dev.SetSignalLength(false, -10), RangeError);
    EXPECT_EQ(line.writes, (Writes{{101, 3, 0, 0xC0, 0xE1, 0xE4}}));
}

TEST_F(Commands, TriggerWindowStartThenStop)
{
    dev.SetTriggerWindow(10, 20.5);
    EXPECT_EQ(line.writes, (Writes{{101, 2, 0, 0xE8, 0x03, 0x00}, {101, 1, 0, 0x02, 0x08, 0x00}}));
    line.clearWrites();
    // The refusal names the register and the value, with the range error's text.
    try {
        dev.SetTriggerWindow(10, -10);
        FAIL() << "no error";
    } catch (const RegisterRangeError& e) {
        EXPECT_EQ(e.text(), RangeError().text());
        EXPECT_EQ(e.Signal, -1);
        EXPECT_EQ(e.Reg, Register::TriggerStop);
        EXPECT_EQ(e.Value, -10);
    }
    EXPECT_EQ(line.writes, (Writes{{101, 2, 0, 0xE8, 0x03, 0x00}}));
    try {
        dev.SetRampDown(4, -10);
        FAIL() << "no error";
    } catch (const RegisterRangeError& e) {
        EXPECT_EQ(e.Signal, 4);
        EXPECT_EQ(e.Reg, Register::RampDown);
    }
}

TEST_F(Commands, EndDamp)
{
    dev.SetEndDamp(191.25);
    EXPECT_EQ(only(), (Bytes{103, 0, 0, 0, 0, 255}));
    dev.SetEndDamp(0.75);
    EXPECT_EQ(only(), (Bytes{103, 0, 0, 0, 0, 1}));
    EXPECT_THROW(dev.SetEndDamp(192), RangeError);
    EXPECT_THROW(dev.SetEndDamp(-0.75), RangeError);
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(Commands, RepetitionsGoOutTwice)
{
    dev.SetRepetitions(3, false);
    EXPECT_EQ(line.writes, (Writes{{105, 0, 0, 0, 252, 0}, {105, 0, 0, 0, 252, 0}}));
    line.clearWrites();
    dev.SetRepetitions(1, true);
    EXPECT_EQ(line.writes, (Writes{{105, 0, 0, 0, 254, 128}, {105, 0, 0, 0, 254, 128}}));
    line.clearWrites();
    dev.SetRepetitions(0, false);
    EXPECT_EQ(line.writes, (Writes{{105, 0, 0, 0, 255, 0}, {105, 0, 0, 0, 255, 0}}));
    line.clearWrites();
    EXPECT_THROW(dev.SetRepetitions(256, false), RangeError);
    EXPECT_THROW(dev.SetRepetitions(-1, true), RangeError);
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(Commands, TableMode)
{
    dev.SetTableMode(true);
    EXPECT_EQ(only(), (Bytes{102, 0, 0, 0, 3, 0}));
    dev.SetTableMode(false);
    EXPECT_EQ(only(), (Bytes{102, 0, 0, 0, 1, 0}));
    dev.SetTableMode(0x1234);
    EXPECT_EQ(only(), (Bytes{102, 0, 0, 0, 0x34, 0x12}));
    EXPECT_THROW(dev.SetTableMode(65536), RangeError);
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(Commands, OnlySignalsZeroToSevenHaveRegisters)
{
    EXPECT_THROW(dev.SetFrequency(8, 1000), RangeError);
    EXPECT_THROW(dev.SetAttenuation(-1, 0), RangeError);
    EXPECT_THROW(dev.SetRampUp(8, 0), RangeError);
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(Commands, SendCommandShiftsOnlyWhileStopped)
{
    dev.SendCommand(223, 1, 2, 3, 4, 5);
    EXPECT_EQ(only(), (Bytes{255, 1, 2, 3, 4, 5}));
    EXPECT_THROW(dev.SendCommand(224, 0), RangeError);
    EXPECT_THROW(dev.SendCommand(66, 256), RangeError);
    EXPECT_TRUE(line.writes.empty());
    dev.Running = true;
    dev.SendCommand(224, 0);
    EXPECT_EQ(only(), (Bytes{224, 0, 0, 0, 0, 0}));
}

TEST_F(Commands, StartAndStopSequences)
{
    dev.StartOutput();
    EXPECT_TRUE(dev.Running);
    EXPECT_EQ(line.writes, (Writes{{32, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}}));
    line.clearWrites();
    dev.SetTableMode(1);
    EXPECT_EQ(only(), (Bytes{70, 0, 0, 0, 1, 0}));

    dev.StopOutput();
    EXPECT_FALSE(dev.Running);
    EXPECT_EQ(only(), (Bytes{32, 0, 0, 0, 0, 0}));
    dev.SetTableMode(1);
    EXPECT_EQ(only(), (Bytes{102, 0, 0, 0, 1, 0}));

    // Starting while already running still stops first and restarts at 0.
    dev.StartOutput();
    dev.StartOutput();
    EXPECT_EQ(line.allBytes().size(), 24u);
    EXPECT_EQ(line.writes[2], (Bytes{32, 0, 0, 0, 0, 0}));
}

TEST_F(Commands, BlocksGoOutUnchangedInOneWrite)
{
    Bytes block(256);
    for (int i = 0; i < 256; ++i)
        block[i] = static_cast<std::uint8_t>(255 - i);
    dev.SendBlock(block);
    EXPECT_EQ(line.writes, (Writes{block}));
}

TEST_F(Commands, NothingGoesOutOnAClosedLine)
{
    line.opened = false;
    dev.SetFrequency(0, 1000);
    dev.StartOutput();
    EXPECT_TRUE(line.writes.empty());
    EXPECT_EQ(line.droppedWrites, 3);
}

TEST_F(Commands, FreshDeviceObject)
{
    EXPECT_FALSE(dev.Running);
    EXPECT_FALSE(dev.EichError);
    EXPECT_EQ(dev.UploadCount, 0);
    ASSERT_EQ(dev.TableCache.size(), 8u);
    for (const auto& t : dev.TableCache)
        for (std::int32_t v : t)
            ASSERT_EQ(v, 0);
    dev.TableCache[3][100] = 7;
    dev.ClearTableCache();
    EXPECT_EQ(dev.TableCache[3][100], 0);
}

} // namespace
} // namespace tonvera
