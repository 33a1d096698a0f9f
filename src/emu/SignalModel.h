// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the device plays: eight channels, each a 24-bit phase accumulator
// indexing a 32768-entry table, shaped by an envelope and scaled by its
// amplitude, summed before the converter. Times here are 4 MHz clock ticks
// counted from the start of the run. Each accumulator holds its phase word at
// time 0 of every period and steps on from there whether its channel sounds
// yet or not; the envelope opens at the channel's start time.
//
// The same functions serve the live emulator (overflow bit, end of run) and
// rendering a run to samples at any rate.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emu/EmuTime.h"
#include "emu/Registers.h"

namespace tonvera::emu {

inline constexpr int DeviceTableCount = 8;
inline constexpr std::int64_t ConverterMax = 32767;
inline constexpr std::int64_t EnvelopeFull = std::int64_t(1) << 24;

// The device's table memory: table d at addresses d * 32768 .. d * 32768 + 32767.
using TableMemory = std::array<std::int16_t, DeviceTableCount * TableEntries>;

// Signal k plays device table (k + 1) mod 8.
[[nodiscard]] inline int DeviceTableOf(int signal) { return (signal + 1) % DeviceTableCount; }

// Registers and tables frozen at the start of a run: writes during a run
// take effect at the next start.
struct RunSnapshot {
    DeviceRegisters regs;
    std::shared_ptr<const TableMemory> tables;

    // Tick at which the run ends; none for an endless run.
    [[nodiscard]] std::optional<std::int64_t> endTick() const;
    [[nodiscard]] std::int64_t periodTicks() const { return std::int64_t(regs.period) * TicksPerTimeUnit; }
    [[nodiscard]] std::int64_t endOfOutputTicks() const { return std::int64_t(regs.endOfOutput) * TicksPerTimeUnit; }
    // Ticks at the start of each period during which the channels sound:
    // the output ends within the period, or the next period begins.
    [[nodiscard]] std::int64_t soundingTicks() const;
    // Position within the current period; the output restarts every period.
    [[nodiscard]] std::int64_t tickInPeriod(std::int64_t runTick) const;
};

// Envelope of one channel, 0 .. 2^24, at a tick within the period.
[[nodiscard]] std::int64_t Envelope(const ChannelRegisters& c, std::int64_t tick);
// One channel's contribution to the converter sum at a tick within the
// period (0 before its start time).
[[nodiscard]] std::int64_t ChannelValue(const ChannelRegisters& c, const std::int16_t* table, std::int64_t tick);

struct Sample {
    std::int64_t sum = 0; // the eight channels before the converter
    bool trigger = false; // level of the trigger output
};

// The converter input and the trigger at a tick of the run (silence and a
// low trigger once the run has ended).
[[nodiscard]] Sample SampleAt(const RunSnapshot& run, std::int64_t runTick);

// Looks for the first tick at which the sum leaves the converter's range.
// Every period repeats the first one, so only the sounding part of the
// first period is examined, tick by tick; advance() does the work in
// pieces so a long run can be followed in real time.
class OverflowScanner {
public:
    explicit OverflowScanner(const RunSnapshot& run);

    // Examines ticks up to (not including) untilTick. Cheap once done.
    void advance(std::int64_t untilTick);
    [[nodiscard]] bool done() const { return Done; }
    // First overflowing tick, if one was found so far.
    [[nodiscard]] std::optional<std::int64_t> firstOverflow() const { return First; }
    [[nodiscard]] std::int64_t scannedUpTo() const { return Scanned; }
    [[nodiscard]] std::int64_t limit() const { return Limit; }

private:
    RunSnapshot Run;
    std::int64_t Scanned = 0;
    std::int64_t Limit = 0;
    bool Done = false;
    std::optional<std::int64_t> First;
};

struct Rendering {
    std::vector<double> output;        // after the final attenuator, converter units
    std::vector<std::uint8_t> trigger; // 0 or 1 per sample
    bool overflow = false;             // some sample left the converter's range
};

// The output of a run sampled at sampleRate (Hz), sampleCount samples from
// sample firstSample on (sample 0 at the start of the run). The converter
// clips at its range; the final attenuator (0.75 dB a step) follows it.
[[nodiscard]] Rendering Render(const RunSnapshot& run, double sampleRate, std::int64_t sampleCount,
                               std::int64_t firstSample = 0);

// The output as Render computes it, each channel's share weighted by a
// gain of its own (linear): what a transducer whose gain differs from one
// signal's frequency to the next puts out. Where the converter clips the
// sum, every share is cut by the same factor.
[[nodiscard]] std::vector<double> RenderWeighted(const RunSnapshot& run, double sampleRate, std::int64_t sampleCount,
                                                 std::int64_t firstSample,
                                                 const std::array<double, ChannelCount>& gains);

// The frequency (Hz) at which a channel steps once through its table.
[[nodiscard]] inline double OscillatorHz(const ChannelRegisters& c)
{
    return double(c.frequency) * double(ClockHz) / double(Word24Max + 1);
}

// Where within the period a channel sounds (its envelope above 0, the
// ticks [from, to)) and the most it can add to the converter sum there: its
// table's largest magnitude at the envelope's peak. Nothing (from == to)
// for a channel that stays silent.
struct ChannelReach {
    std::int64_t from = 0;
    std::int64_t to = 0;
    std::int64_t peak = 0;
};
[[nodiscard]] ChannelReach ReachOf(const RunSnapshot& run, int channel);

} // namespace tonvera::emu
