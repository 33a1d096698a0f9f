// SPDX-License-Identifier: GPL-3.0-or-later
// The registers of one signal, byte for byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "device/RegisterError.h"
#include "device/TTonvera.h"
#include "model/Errors.h"
#include "model/SinusRecord.h"
#include "support/EichPoints.h"
#include "support/ScriptedLine.h"
#include "support/VirtualClock.h"

namespace tonvera {
namespace {

using test::EichTableOf;

using Bytes = std::vector<std::uint8_t>;
using Writes = std::vector<Bytes>;

SinusValues Sine(double freq)
{
    SinusValues v;
    v.Used = true;
    v.TabTyp = TypeSinus;
    v.Freq = freq;
    v.Phase = 0;
    v.Ampl = 0;
    v.Start = 0;
    v.Dach = 25;
    v.RampUp = 0.002;
    v.RampDown = 0.002;
    return v;
}

class LoadSignalTest : public ::testing::Test {
protected:
    test::ScriptedLine line;
    test::VirtualClock clock;
    TTonvera dev{line, clock};
    EichTable noCalibration;
};

TEST_F(LoadSignalTest, UsedSineSendsSevenRegistersInOrder)
{
    SinusValues v = Sine(1000);
    v.Ampl = 6;
    v.Start = 10;
    v.Phase = 0;
    dev.LoadSignal(3, v, noCalibration);
    // 2500.2 hundredths round to 2500 + start 1000 = 3500; ramp of 2 us:
    // 16777216 / 0.002 / 4000 = 2097152 = 0x200000.
    const Writes expected{
        {98, 3, 0, 0x62, 0x10, 0x00},  // B 1000 Hz
        {104, 3, 0, 0x00, 0x23, 0x40}, // H 6 dB -> 16419
        {98, 11, 0, 0, 0, 0},          // B phase: 10 ms is 10 whole periods
        {100, 3, 0, 0xE8, 0x03, 0},    // D start 1000
        {100, 11, 0, 0xAC, 0x0D, 0},   // D fall start 3500
        {99, 3, 0, 0x00, 0x00, 0x20},  // C ramp up
        {99, 11, 0, 0x00, 0x00, 0x20}, // C ramp down
    };
    EXPECT_EQ(line.writes, expected);

    line.clearWrites();
    dev.Running = true;
    dev.LoadSignal(3, v, noCalibration);
    ASSERT_EQ(line.writes.size(), 7u);
    EXPECT_EQ(line.writes[0][0], 66);
    EXPECT_EQ(line.writes[1][0], 72);
    EXPECT_EQ(line.writes[5][0], 67);
}

TEST_F(LoadSignalTest, UnusedAndMuteGetOnlyAmplitudeZero)
{
    SinusValues unused = Sine(1000);
    unused.Used = false;
    dev.LoadSignal(5, unused, noCalibration);
    SinusValues mute = Sine(1000);
    mute.TabTyp = TypeMute;
    mute.Freq = -10; // never evaluated into a packet
    dev.LoadSignal(6, mute, noCalibration);
    EXPECT_EQ(line.writes, (Writes{{104, 5, 0, 0, 0, 0}, {104, 6, 0, 0, 0, 0}}));
}

TEST_F(LoadSignalTest, ZeroRampsLeaveOutTheRampPackets)
{
    SinusValues v = Sine(500);
    v.RampUp = 0;
    v.RampDown = 0;
    dev.LoadSignal(0, v, noCalibration);
    ASSERT_EQ(line.writes.size(), 5u);
    const std::vector<int> codes{line.writes[0][0], line.writes[1][0], line.writes[2][0], line.writes[3][0],
                                 line.writes[4][0]};
    EXPECT_EQ(codes, (std::vector<int>{98, 104, 98, 100, 100}));
    // Fall start = start + ramp up + plateau = 25 ms.
    EXPECT_EQ(line.writes[4], (Bytes{100, 8, 0, 0xC4, 0x09, 0}));
}

TEST_F(LoadSignalTest, StartTimeTakesThePhaseTheOscillatorAdvances)
{
    SinusValues v = Sine(1000);
    v.Start = 0.25; // a quarter period: -90 degrees, sent as 270
    dev.LoadSignal(0, v, noCalibration);
    EXPECT_EQ(line.writes.at(2), (Bytes{98, 8, 0, 0x00, 0x00, 0xC0}));

    line.clearWrites();
    v.Start = 1; // a whole period
    dev.LoadSignal(0, v, noCalibration);
    EXPECT_EQ(line.writes.at(2), (Bytes{98, 8, 0, 0, 0, 0}));

    line.clearWrites();
    v.Start = 0.25;
    v.Phase = 90; // wanted phase at the start time: 90 - 90 = 0
    dev.LoadSignal(0, v, noCalibration);
    EXPECT_EQ(line.writes.at(2), (Bytes{98, 8, 0, 0, 0, 0}));
}

TEST_F(LoadSignalTest, ZeroFrequencyWithStartTimeIsADivisionError)
{
    SinusValues v = Sine(0);
    v.Start = 1;
    try {
        dev.LoadSignal(0, v, noCalibration);
        FAIL() << "no error";
    } catch (const RegisterRangeError& e) {
        EXPECT_EQ(e.text(), "Gleitkommadivision durch Null");
        EXPECT_EQ(e.Signal, 0);
        EXPECT_EQ(e.Reg, Register::Phase);
    }
    // Frequency and amplitude went out before the phase was computed.
    EXPECT_EQ(line.writes, (Writes{{98, 0, 0, 0, 0, 0}, {104, 0, 0, 0, 0xF8, 0x7F}}));

    // Without a start time a zero frequency is a plain value.
    line.clearWrites();
    v.Start = 0;
    dev.LoadSignal(0, v, noCalibration);
    EXPECT_EQ(line.writes.size(), 7u);
}

TEST_F(LoadSignalTest, FailedEvaluationAbortsAtItsPacket)
{
    SinusValues v = Sine(1000);
    v.Start = -10;
    EXPECT_THROW(dev.LoadSignal(0, v, noCalibration), RangeError);
    // B, H and the phase (computed from -10 ms) are out; D start is not.
    EXPECT_EQ(line.writes.size(), 3u);
}

TEST_F(LoadSignalTest, CalibratedSineIsCorrectedAndClampedAtZero)
{
    EichTable cal = EichTableOf({{100, -3}, {1000, 5}});

    SinusValues v = Sine(50); // below the first point: its correction, -3 dB
    v.TabTyp = TypeSinusEich;
    v.Ampl = 2; // -3 + 2 = -1: clamped to 0 dB, not muted
    dev.LoadSignal(1, v, cal);
    EXPECT_TRUE(dev.EichError);
    EXPECT_EQ(line.writes.at(1), (Bytes{104, 1, 0, 0, 0xF8, 0x7F}));

    line.clearWrites();
    dev.EichError = false;
    v.Freq = 1000;
    v.Ampl = 1; // 5 + 1 = 6 dB
    dev.LoadSignal(1, v, cal);
    EXPECT_FALSE(dev.EichError);
    EXPECT_EQ(line.writes.at(1), (Bytes{104, 1, 0, 0, 0x23, 0x40}));

    // An ordinary sine ignores the table: -1 dB is the mute value there.
    line.clearWrites();
    v.TabTyp = TypeSinus;
    v.Ampl = -1;
    dev.LoadSignal(1, v, cal);
    EXPECT_FALSE(dev.EichError);
    EXPECT_EQ(line.writes.at(1), (Bytes{104, 1, 0, 0, 0, 0}));
}

} // namespace
} // namespace tonvera
