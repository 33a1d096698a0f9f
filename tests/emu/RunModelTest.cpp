// SPDX-License-Identifier: GPL-3.0-or-later
// The run on virtual time: when status bit 3 comes, how stop and start
// behave, when bit 7 is set and how long it stays.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "EmuHarness.h"
#include "device/Protocol.h"
#include "emu/LiveAudio.h"
#include "emu/Recording.h"

namespace tonvera::emu {
namespace {

using namespace std::chrono_literals;
using test::EmuHarness;

class RunTest : public ::testing::Test {
protected:
    // The globals as Start sends them, then the start sequence.
    void program(bool flag, double lengthMs, int repetitions, bool endless)
    {
        h.device.StopOutput();
        h.device.SetTableMode(1);
        h.device.SetSignalLength(flag, lengthMs);
        h.device.SetTriggerWindow(0, 1);
        h.device.SetEndDamp(0);
        h.device.SetRepetitions(repetitions, endless);
    }
    void start() { h.device.StartOutput(); }
    bool ended() { return (h.status() & StatusRunEnd) != 0; }
    bool overflow() { return (h.status() & StatusOverflow) != 0; }
    // Milliseconds since the start, read back through the model.
    void at(long long msSinceStart) { h.clock.now = startedAt + msSinceStart; }
    void startNow()
    {
        start();
        startedAt = h.clock.now;
    }

    EmuHarness h;
    long long startedAt = 0;
};

TEST_F(RunTest, LengthPlayedOnceEndsAfterTheLength)
{
    program(false, 100, 1, false);
    EXPECT_FALSE(ended()); // never ran
    startNow();
    EXPECT_TRUE(h.emulator.device().playing());
    at(99);
    EXPECT_FALSE(ended());
    at(100);
    EXPECT_TRUE(ended());
    at(5000);
    EXPECT_TRUE(ended());
}

TEST_F(RunTest, RepetitionsEndAfterNPeriods)
{
    program(true, 40, 3, false);
    startNow();
    at(119);
    EXPECT_FALSE(ended());
    at(120);
    EXPECT_TRUE(ended());
}

TEST_F(RunTest, NoRepetitionsEndsAtOnce)
{
    program(true, 40, 0, false);
    startNow();
    EXPECT_TRUE(ended());
}

TEST_F(RunTest, EndlessNeverEnds)
{
    program(true, 10, 1, true);
    startNow();
    at(10);
    EXPECT_FALSE(ended());
    at(3'600'000); // an hour
    EXPECT_FALSE(ended());
    // Also in the "once" form, with the 150 s period repeating.
    program(false, 10, 1, true);
    startNow();
    at(1'000'000);
    EXPECT_FALSE(ended());
}

TEST_F(RunTest, StopKeepsTheEndBitAndStartRestartsFromZero)
{
    program(false, 50, 1, false);
    startNow();
    at(60);
    EXPECT_TRUE(ended());
    // The program's tick answers bit 3 with a stop, and keeps polling.
    h.device.StopOutput();
    EXPECT_FALSE(h.emulator.device().playing());
    EXPECT_TRUE(ended());
    h.device.ReadStatus();
    EXPECT_TRUE(ended());

    // A stop in the middle of a run leaves bit 3 clear.
    startNow();
    EXPECT_FALSE(ended());
    at(20);
    h.device.StopOutput();
    at(500);
    EXPECT_FALSE(ended());
    // Restart: a whole length from the new start.
    startNow();
    at(49);
    EXPECT_FALSE(ended());
    at(50);
    EXPECT_TRUE(ended());
    EXPECT_EQ(h.emulator.device().starts(), 3u);
}

TEST_F(RunTest, StatusQueriesWhilePlayingDoNotRestart)
{
    program(false, 30, 1, false);
    startNow();
    for (int ms = 0; ms <= 40; ms += 5) {
        at(ms);
        h.device.ReadStatus();
    }
    EXPECT_TRUE(ended());
    EXPECT_EQ(h.emulator.device().starts(), 1u);
}

TEST_F(RunTest, RegistersWrittenDuringARunTakeEffectAtTheNextStart)
{
    program(false, 100, 1, false);
    startNow();
    at(10);
    // The running form of a register packet does not stop or restart.
    h.device.SetSignalLength(false, 20);
    EXPECT_TRUE(h.emulator.device().playing());
    at(50);
    EXPECT_FALSE(ended());
    at(100);
    EXPECT_TRUE(ended());
    h.device.StopOutput();
    startNow();
    at(20);
    EXPECT_TRUE(ended());
}

// --- Overflow -------------------------------------------------------------

class OverflowTest : public RunTest {
protected:
    // A full-scale constant table for signal `signal`, uploaded the way the
    // program does it: device table (signal + 1) mod 8.
    void fullScaleTable(int signal, int value = 32500)
    {
        const int d = (signal + 1) % 8;
        for (int k = 0; k < 32768; ++k)
            h.line.writeBlock(protocol::MakeTableWordPacket(d * 32768 + k, value));
    }
    void signalAt(int index, double attenuationDb, double startMs)
    {
        h.device.SetFrequency(index, 1000);
        h.device.SetAttenuation(index, attenuationDb);
        h.device.SetPhase(index, 0);
        h.device.SetStartTime(index, startMs);
        h.device.SetRampDownStart(index, startMs + 1000);
    }
};

TEST_F(OverflowTest, SetWhenTheSumLeavesTheRangeAndLatchedUntilTheNextStart)
{
    fullScaleTable(0);
    fullScaleTable(1);
    program(false, 200, 1, false);
    signalAt(0, 0, 0);   // 32492 alone: in range
    signalAt(1, 20, 10); // adds 3249 from 10 ms on
    startNow();
    at(9);
    EXPECT_FALSE(overflow());
    at(11);
    EXPECT_TRUE(overflow());
    at(300);
    EXPECT_TRUE(ended());
    EXPECT_TRUE(overflow());
    h.device.StopOutput();
    EXPECT_TRUE(overflow());

    // Signal 1 muted: the next run is clean again.
    h.device.SetAttenuation(1, -1);
    startNow();
    EXPECT_FALSE(overflow());
    at(300);
    EXPECT_FALSE(overflow());
}

TEST_F(OverflowTest, EachSignalPlaysItsOwnDeviceTable)
{
    // Only signal 7's table (device table 0) is full scale; signal 0 plays
    // device table 1, which stays empty.
    fullScaleTable(7);
    program(false, 50, 1, false);
    signalAt(0, -6, 0);
    startNow();
    at(50);
    EXPECT_FALSE(overflow());
    h.device.SetAttenuation(0, -1);
    signalAt(7, -6, 0); // 32500 x 65365 / 32768: twice the range
    h.device.StopOutput();
    startNow();
    at(1);
    EXPECT_TRUE(overflow());
}

TEST_F(OverflowTest, NegativeSideCountsToo)
{
    fullScaleTable(2, -32500);
    program(false, 50, 1, false);
    signalAt(2, -0.1, 0); // 32760 x 10^(0.1/20) = 33139: -32868 is out of range
    startNow();
    at(2);
    EXPECT_TRUE(overflow());
}

TEST_F(OverflowTest, AnOverflowAfterTheEndOfOutputDoesNotCount)
{
    fullScaleTable(0);
    fullScaleTable(1);
    program(false, 10, 1, false);
    signalAt(0, 0, 0);
    signalAt(1, 0, 20); // would overflow, but starts after the output ended
    startNow();
    at(100);
    EXPECT_TRUE(ended());
    EXPECT_FALSE(overflow());
}

// --- The signal itself ----------------------------------------------------

TEST(SignalModel, RenderFollowsEnvelopeTriggerAndFinalAttenuation)
{
    auto tables = std::make_shared<TableMemory>();
    tables->fill(0);
    for (int k = 0; k < TableEntries; ++k)
        (*tables)[std::size_t(TableEntries + k)] = 16384; // device table 1: signal 0
    RunSnapshot run{DeviceRegisters{}, tables};
    ChannelRegisters& c = run.regs.channels[0];
    c.amplitudeWord = 32768u << 8;
    c.startTime = 100; // 1 ms
    c.fallStart = 300; // 3 ms
    c.rampUp = 8389;   // about 2^24 / 2000 ticks: 0.5 ms up
    c.rampDown = Word24Max;
    run.regs.period = 1000; // 10 ms
    run.regs.endOfOutput = 500;
    run.regs.repetitions = 2;
    run.regs.triggerStart = 50;
    run.regs.triggerStop = 150;
    run.regs.endDampSteps = 8; // 6 dB

    ASSERT_EQ(run.endTick(), std::optional<std::int64_t>(40'000 + 20'000));
    const Rendering r = Render(run, 10'000, 250); // 25 ms at 10 kHz
    ASSERT_EQ(r.output.size(), 250u);
    const double half = std::pow(10.0, -6.0 / 20.0);
    EXPECT_DOUBLE_EQ(r.output[5], 0);                 // 0.5 ms: not started
    EXPECT_NEAR(r.output[12], 16384 * 0.4 * half, 2); // 1.2 ms: rising
    EXPECT_NEAR(r.output[20], 16384 * half, 1);       // 2 ms: plateau
    EXPECT_DOUBLE_EQ(r.output[31], 0);                // 3.1 ms: fallen at once
    EXPECT_NEAR(r.output[120], 16384 * half, 1);      // second period, 2 ms in
    EXPECT_DOUBLE_EQ(r.output[220], 0);               // after the run
    EXPECT_EQ(r.trigger[4], 0);
    EXPECT_EQ(r.trigger[5], 1);
    EXPECT_EQ(r.trigger[14], 1);
    EXPECT_EQ(r.trigger[15], 0);
    EXPECT_EQ(r.trigger[105], 1);
    EXPECT_EQ(r.trigger[205], 0); // the run is over
    EXPECT_FALSE(r.overflow);
}

TEST(SignalModel, LiveAudioSoundsWhileTheRunPlaysEachSignalThroughItsGain)
{
    // Tables of constant value, so that every sample of a signal is the same.
    auto tables = std::make_shared<TableMemory>();
    tables->fill(0);
    for (int k = 0; k < TableEntries; ++k) {
        (*tables)[std::size_t(TableEntries + k)] = 16384;    // signal 0
        (*tables)[std::size_t(2 * TableEntries + k)] = 8192; // signal 1
    }
    RunSnapshot run{DeviceRegisters{}, tables};
    run.regs.endless = true;
    for (int k = 0; k < 2; ++k) {
        run.regs.channels[std::size_t(k)].amplitudeWord = 32768u << 8;
        run.regs.channels[std::size_t(k)].frequency = 4194u * (k == 0 ? 1 : 4); // 1 kHz and 4 kHz
    }
    // -6 dB below 1 kHz, +6 dB from just above it.
    const Transducer transducer = ParseTransducer("1000/-6\r\n1001/6\r\n", "t.txt");
    LiveAudio live(10'000, EmuTime{0}, transducer);

    live.note(1, &run, false, 10ms);
    const std::vector<std::int16_t> first = live.produce(20ms);
    live.note(1, &run, true, 30ms); // stopped
    const std::vector<std::int16_t> second = live.produce(40ms);
    ASSERT_EQ(first.size(), 200u);
    ASSERT_EQ(second.size(), 200u);

    const auto tone =
        static_cast<std::int16_t>(std::lround(16384 * std::pow(10.0, -6.0 / 20) + 8192 * std::pow(10.0, 6.0 / 20)));
    EXPECT_EQ(first[99], 0);     // before the start
    EXPECT_EQ(first[101], tone); // the envelope opens from 0 at the start's tick
    EXPECT_EQ(first[199], tone);
    EXPECT_EQ(second[99], tone);
    EXPECT_EQ(second[100], 0); // after the stop
    EXPECT_EQ(second[199], 0);
    // Nothing twice: a later call gives only what is new.
    EXPECT_EQ(live.produce(40ms).size(), 0u);
}

TEST(SignalModel, ReachSpansTheEnvelopeAtTheTablesPeak)
{
    auto tables = std::make_shared<TableMemory>();
    tables->fill(0);
    for (int k = 0; k < TableEntries; ++k)
        (*tables)[std::size_t(TableEntries + k)] = static_cast<std::int16_t>(k % 2 ? -16384 : 1000);
    RunSnapshot run{DeviceRegisters{}, tables};
    ChannelRegisters& c = run.regs.channels[0];
    c.amplitudeWord = 16384u << 8; // half
    c.startTime = 100;
    c.fallStart = 300;
    c.rampUp = 8389;
    c.rampDown = 4194; // 2^24 in 4000 ticks
    run.regs.endOfOutput = 1000;
    const ChannelReach r = ReachOf(run, 0);
    EXPECT_EQ(r.from, 4000);
    EXPECT_EQ(r.to, 12000 + 4001); // the last tick above 0 is 4000 after the fall
    EXPECT_EQ(r.peak, 8192);
    EXPECT_GT(Envelope(c, r.to - 1), 0);
    EXPECT_EQ(Envelope(c, r.to), 0);
    // Silent: no amplitude, or cut off by the end of output before its start.
    EXPECT_EQ(ReachOf(run, 1).to, ReachOf(run, 1).from);
    run.regs.endOfOutput = 100;
    EXPECT_EQ(ReachOf(run, 0).to, ReachOf(run, 0).from);
}

TEST(SignalModel, RunsRenderedInPiecesAsInOneGo)
{
    auto tables = std::make_shared<TableMemory>();
    for (int k = 0; k < TableEntries; ++k)
        (*tables)[std::size_t(TableEntries + k)] = static_cast<std::int16_t>(k / 2 - 8192);
    RunSnapshot run{DeviceRegisters{}, tables};
    ChannelRegisters& c = run.regs.channels[0];
    c.amplitudeWord = 32768u << 8;
    c.frequency = 4194 * 7 + 13;
    c.startTime = 7;
    run.regs.endOfOutput = 150'000; // 1,5 s: more than two pieces at 100 kHz
    run.regs.triggerStop = 100'000;
    const std::int64_t frames = 150'000;

    WavFile whole(100'000, false);
    const Rendering once = Render(run, 100'000, frames);
    for (std::size_t i = 0; i < once.output.size(); ++i)
        whole.add(once.output[i], once.trigger[i] != 0);

    WavFile pieces(100'000, false);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> told;
    const std::vector<PlayedRun> runs{PlayedRun{run, EmuTime{0}, std::nullopt}};
    const auto rendered = RenderRuns(runs, TimeOfTicks(*run.endTick()), pieces, pieces.maxFrames(),
                                     [&](std::uint64_t done, std::uint64_t total) { told.emplace_back(done, total); });
    ASSERT_EQ(rendered.size(), 1u);
    EXPECT_EQ(rendered[0].frames, std::uint64_t(frames));
    EXPECT_EQ(pieces.bytes(), whole.bytes());
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told.back(), (std::pair<std::uint64_t, std::uint64_t>(frames, frames)));
}

TEST(SignalModel, AccumulatorRunsFromTimeZeroAndTheStartOpensTheEnvelope)
{
    auto tables = std::make_shared<TableMemory>();
    for (int k = 0; k < TableEntries; ++k)
        (*tables)[std::size_t(TableEntries + k)] = static_cast<std::int16_t>(k - 16384);
    ChannelRegisters c;
    c.amplitudeWord = 32768u << 8;
    c.startTime = 10;
    c.frequency = 4194; // about 1 kHz
    c.phase = 0x400000; // a quarter turn: index 8192
    const std::int16_t* table = tables->data() + TableEntries;
    const std::int64_t startTick = 10 * 40;
    EXPECT_EQ(ChannelValue(c, table, startTick - 1), 0);
    // At the start the envelope is still 0; one tick later it is just short
    // of full, and the accumulator has stepped on since time 0.
    EXPECT_EQ(ChannelValue(c, table, startTick), 0);
    const std::int64_t idx = (0x400000 + 4194 * (startTick + 1)) >> 9;
    EXPECT_EQ(ChannelValue(c, table, startTick + 1), (idx - 16384) * 0xFFFFFF / (1 << 24));
    EXPECT_EQ(ChannelValue(c, table, startTick + 2), ((0x400000 + 4194 * (startTick + 2)) >> 9) - 16384);
}

TEST(SignalModel, OverflowScanAgreesWithTickByTickSampling)
{
    auto tables = std::make_shared<TableMemory>();
    for (int d = 0; d < DeviceTableCount; ++d)
        for (int k = 0; k < TableEntries; ++k)
            (*tables)[std::size_t(d * TableEntries + k)] =
                static_cast<std::int16_t>(std::lround(32500 * std::sin(2 * M_PI * (k + 1000 * d) / 32768.0)));
    // Three channels whose peaks only meet now and then; ramps on one so
    // both the rising and the plateau stretches are examined. The two loud
    // settings overflow (one while a ramp rises, one on the plateau), the
    // quiet ones never do.
    for (std::uint32_t amplitude : {11000u, 13000u, 14000u, 16000u}) {
        RunSnapshot run{DeviceRegisters{}, tables};
        run.regs.endOfOutput = 2000; // 20 ms
        for (int k = 0; k < 3; ++k) {
            ChannelRegisters& c = run.regs.channels[std::size_t(k)];
            c.amplitudeWord = amplitude << 8;
            c.frequency = 4194 * std::uint32_t(k + 2) + 77 * std::uint32_t(k);
            c.phase = std::uint32_t(k) * 0x155555;
            c.startTime = std::uint32_t(k) * 30;
        }
        run.regs.channels[1].rampUp = 2000;    // 2^24 in about 2 ms
        run.regs.channels[2].fallStart = 1500; // falls from 15 ms
        run.regs.channels[2].rampDown = 3000;

        std::optional<std::int64_t> expected;
        for (std::int64_t t = 0; t < 80'000 && !expected; ++t)
            if (std::abs(SampleAt(run, t).sum) > ConverterMax)
                expected = t;

        OverflowScanner scan(run);
        for (std::int64_t t = 0; t < 90'000 && !scan.done(); t += 3001)
            scan.advance(t);
        EXPECT_TRUE(scan.done());
        EXPECT_EQ(scan.firstOverflow(), expected) << amplitude;
    }
}

} // namespace
} // namespace tonvera::emu
