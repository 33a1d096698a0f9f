// SPDX-License-Identifier: GPL-3.0-or-later
#include "emu/SignalModel.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace tonvera::emu {

namespace {

constexpr std::int64_t T = TicksPerTimeUnit;
constexpr std::int64_t AccumulatorMask = 0xFFFFFF;
constexpr int IndexShift = 24 - 15;
// table x amplitude (16 bit) / 32768 x envelope / 2^24
constexpr std::int64_t ProductScale = std::int64_t(1) << (15 + 24);

const std::int16_t* TableFor(const RunSnapshot& run, int signal)
{
    return run.tables->data() + std::size_t(DeviceTableOf(signal)) * TableEntries;
}

int MaxAbs(const std::int16_t* table)
{
    int m = 0;
    for (int i = 0; i < TableEntries; ++i)
        m = std::max(m, std::abs(int(table[i])));
    return m;
}

// The envelope is 2^24 at every tick of [from, to).
bool onPlateau(const ChannelRegisters& c, std::int64_t from, std::int64_t to)
{
    const std::int64_t start = std::int64_t(c.startTime) * T;
    if (c.rampUp == 0 || from <= start || to > std::int64_t(c.fallStart) * T)
        return false;
    const std::int64_t riseTicks = (EnvelopeFull + c.rampUp - 1) / c.rampUp;
    return from - start >= riseTicks;
}

} // namespace

std::optional<std::int64_t> RunSnapshot::endTick() const
{
    if (regs.endless)
        return std::nullopt;
    if (regs.repetitions == 0)
        return 0;
    // The last repetition ends at its end of output, unless its period is
    // over first.
    return std::int64_t(regs.repetitions - 1) * periodTicks() + soundingTicks();
}

std::int64_t RunSnapshot::soundingTicks() const { return std::min(periodTicks(), endOfOutputTicks()); }

std::int64_t RunSnapshot::tickInPeriod(std::int64_t runTick) const
{
    const std::int64_t p = periodTicks();
    return p > 0 ? runTick % p : runTick;
}

std::int64_t Envelope(const ChannelRegisters& c, std::int64_t tick)
{
    const std::int64_t start = std::int64_t(c.startTime) * T;
    if (tick < start)
        return 0;
    const std::int64_t fall = std::int64_t(c.fallStart) * T;
    const std::int64_t up = c.rampUp;
    if (tick < fall)
        return std::min(EnvelopeFull, up * (tick - start));
    // A fall start before the channel's start leaves it silent.
    const std::int64_t peak = fall >= start ? std::min(EnvelopeFull, up * (fall - start)) : 0;
    return std::max<std::int64_t>(0, peak - std::int64_t(c.rampDown) * (tick - fall));
}

std::int64_t ChannelValue(const ChannelRegisters& c, const std::int16_t* table, std::int64_t tick)
{
    const std::int64_t amplitude = c.amplitude();
    if (amplitude == 0)
        return 0;
    const std::int64_t env = Envelope(c, tick);
    if (env == 0)
        return 0;
    // The accumulator runs from time 0 of the period, not from the channel's
    // start: the program sends the phase less what the oscillator advances
    // until then, so each tone begins at its own phase and tones of one
    // frequency keep the difference the operator typed.
    const std::uint64_t acc = (c.phase + std::uint64_t(c.frequency) * std::uint64_t(tick)) & AccumulatorMask;
    const std::int64_t v = table[acc >> IndexShift];
    // Truncation toward zero keeps positive and negative half-waves alike.
    return v * amplitude * env / ProductScale;
}

Sample SampleAt(const RunSnapshot& run, std::int64_t runTick)
{
    Sample s;
    if (runTick < 0)
        return s;
    if (const auto end = run.endTick(); end && runTick >= *end)
        return s;
    const std::int64_t t = run.tickInPeriod(runTick);
    s.trigger = t >= std::int64_t(run.regs.triggerStart) * T && t < std::int64_t(run.regs.triggerStop) * T;
    if (t >= run.soundingTicks())
        return s;
    for (int k = 0; k < ChannelCount; ++k)
        s.sum += ChannelValue(run.regs.channels[std::size_t(k)], TableFor(run, k), t);
    return s;
}

OverflowScanner::OverflowScanner(const RunSnapshot& run) : Run(run)
{
    const auto end = Run.endTick();
    Limit = Run.soundingTicks();
    if (end)
        Limit = std::min(Limit, *end);
    Limit = std::max<std::int64_t>(Limit, 0);

    // No scan at all when the channels cannot reach the limit even with all
    // peaks falling together (the usual case of a few moderate signals).
    std::int64_t bound = 0;
    for (int k = 0; k < ChannelCount; ++k) {
        const ChannelRegisters& c = Run.regs.channels[std::size_t(k)];
        if (c.amplitude() == 0 || std::int64_t(c.startTime) * T >= Limit)
            continue;
        const std::int64_t start = std::int64_t(c.startTime) * T;
        const std::int64_t fall = std::int64_t(c.fallStart) * T;
        const std::int64_t riseEnd = std::min(fall, Limit);
        const std::int64_t peak =
            riseEnd > start ? std::min(EnvelopeFull, std::int64_t(c.rampUp) * (riseEnd - start)) : 0;
        bound += std::int64_t(MaxAbs(TableFor(Run, k))) * c.amplitude() * peak / ProductScale + 1;
    }
    if (bound <= ConverterMax) {
        Scanned = Limit;
        Done = true;
    }
}

void OverflowScanner::advance(std::int64_t untilTick)
{
    if (Done)
        return;
    const std::int64_t stop = std::min(untilTick, Limit);
    constexpr std::int64_t Chunk = 4096;
    std::int64_t sums[Chunk];
    while (Scanned < stop) {
        const std::int64_t n = std::min(Chunk, stop - Scanned);
        std::fill(sums, sums + n, 0);
        for (int k = 0; k < ChannelCount; ++k) {
            const ChannelRegisters& c = Run.regs.channels[std::size_t(k)];
            if (c.amplitude() == 0)
                continue;
            const std::int16_t* table = TableFor(Run, k);
            if (onPlateau(c, Scanned, Scanned + n)) {
                // Full envelope throughout: the accumulator simply steps on.
                const std::int64_t amplitude = c.amplitude();
                std::uint32_t acc = static_cast<std::uint32_t>(
                    (c.phase + std::uint64_t(c.frequency) * std::uint64_t(Scanned)) & AccumulatorMask);
                for (std::int64_t i = 0; i < n; ++i) {
                    sums[i] += std::int64_t(table[acc >> IndexShift]) * amplitude / 32768;
                    acc = (acc + c.frequency) & AccumulatorMask;
                }
                continue;
            }
            for (std::int64_t i = 0; i < n; ++i)
                sums[i] += ChannelValue(c, table, Scanned + i);
        }
        for (std::int64_t i = 0; i < n; ++i) {
            if (sums[i] > ConverterMax || sums[i] < -ConverterMax) {
                First = Scanned + i;
                Scanned += i + 1;
                Done = true;
                return;
            }
        }
        Scanned += n;
    }
    if (Scanned >= Limit)
        Done = true;
}

Rendering Render(const RunSnapshot& run, double sampleRate, std::int64_t sampleCount, std::int64_t firstSample)
{
    Rendering r;
    if (sampleCount <= 0 || !(sampleRate > 0))
        return r;
    r.output.reserve(std::size_t(sampleCount));
    r.trigger.reserve(std::size_t(sampleCount));
    const double gain = std::pow(10.0, -0.75 * run.regs.endDampSteps / 20.0);
    for (std::int64_t i = 0; i < sampleCount; ++i) {
        const auto tick = static_cast<std::int64_t>(std::floor(double(firstSample + i) * double(ClockHz) / sampleRate));
        const Sample s = SampleAt(run, tick);
        if (s.sum > ConverterMax || s.sum < -ConverterMax)
            r.overflow = true;
        const std::int64_t clipped = std::clamp<std::int64_t>(s.sum, -ConverterMax, ConverterMax);
        r.output.push_back(double(clipped) * gain);
        r.trigger.push_back(s.trigger ? 1 : 0);
    }
    return r;
}

std::vector<double> RenderWeighted(const RunSnapshot& run, double sampleRate, std::int64_t sampleCount,
                                   std::int64_t firstSample, const std::array<double, ChannelCount>& gains)
{
    std::vector<double> out;
    if (sampleCount <= 0 || !(sampleRate > 0))
        return out;
    out.reserve(std::size_t(sampleCount));
    const double endGain = std::pow(10.0, -0.75 * run.regs.endDampSteps / 20.0);
    const auto end = run.endTick();
    for (std::int64_t i = 0; i < sampleCount; ++i) {
        const auto tick = static_cast<std::int64_t>(std::floor(double(firstSample + i) * double(ClockHz) / sampleRate));
        const std::int64_t t = run.tickInPeriod(tick);
        if (tick < 0 || (end && tick >= *end) || t >= run.soundingTicks()) {
            out.push_back(0.0);
            continue;
        }
        std::int64_t sum = 0;
        double weighted = 0.0;
        for (int k = 0; k < ChannelCount; ++k) {
            const std::int64_t v = ChannelValue(run.regs.channels[std::size_t(k)], TableFor(run, k), t);
            sum += v;
            weighted += double(v) * gains[std::size_t(k)];
        }
        const std::int64_t clipped = std::clamp<std::int64_t>(sum, -ConverterMax, ConverterMax);
        if (clipped != sum)
            weighted *= double(clipped) / double(sum);
        out.push_back(weighted * endGain);
    }
    return out;
}

ChannelReach ReachOf(const RunSnapshot& run, int channel)
{
    const ChannelRegisters& c = run.regs.channels[std::size_t(channel)];
    ChannelReach r;
    std::int64_t limit = run.soundingTicks();
    if (const auto end = run.endTick())
        limit = std::min(limit, *end);
    const std::int64_t start = std::int64_t(c.startTime) * T;
    const std::int64_t fall = std::int64_t(c.fallStart) * T;
    if (c.amplitude() == 0 || start >= limit)
        return r;
    // The envelope peaks where the rise ends or the fall begins.
    const std::int64_t riseEnd = std::min(fall, limit);
    const std::int64_t top = riseEnd > start ? std::min(EnvelopeFull, std::int64_t(c.rampUp) * (riseEnd - start)) : 0;
    if (top == 0)
        return r;
    std::int64_t to = limit;
    if (fall < limit && c.rampDown > 0)
        to = std::min(limit, fall + (top + c.rampDown - 1) / c.rampDown);
    r.from = start;
    r.to = std::max(r.from, to);
    r.peak = std::int64_t(MaxAbs(TableFor(run, channel))) * c.amplitude() * top / ProductScale;
    return r;
}

} // namespace tonvera::emu
