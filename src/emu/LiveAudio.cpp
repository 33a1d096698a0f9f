// SPDX-License-Identifier: GPL-3.0-or-later
#include "emu/LiveAudio.h"

#include <algorithm>
#include <cmath>

#include "files/EichFile.h"

namespace tonvera::emu {

std::array<double, ChannelCount> Transducer::channelGains(const RunSnapshot& run) const
{
    std::array<double, ChannelCount> g{};
    for (int k = 0; k < ChannelCount; ++k)
        g[std::size_t(k)] = std::pow(10.0, gainDb(OscillatorHz(run.regs.channels[std::size_t(k)])) / 20.0);
    return g;
}

Transducer ParseTransducer(std::string_view bytes, const std::string& fileName)
{
    Transducer t;
    ParseEichFile(bytes, '.', fileName, t.table);
    return t;
}

LiveAudio::LiveAudio(std::uint32_t rate, EmuTime origin, std::optional<Transducer> transducer)
    : Rate(rate), Origin(origin), Sound(std::move(transducer))
{
}

std::uint64_t LiveAudio::sampleAt(EmuTime t) const
{
    if (t <= Origin)
        return 0;
    // Exact in integers: nanoseconds times the rate stays far inside 64 bits
    // for centuries of running.
    const auto ns = static_cast<unsigned __int128>((t - Origin).count());
    return static_cast<std::uint64_t>((ns * Rate + 999'999'999) / 1'000'000'000);
}

void LiveAudio::note(std::uint64_t starts, const RunSnapshot* lastRun, bool stopped, EmuTime now)
{
    if (starts > Starts && lastRun) {
        if (!Runs.empty() && !Runs.back().stopped)
            Runs.back().stopped = now;
        Runs.push_back(PlayedRun{*lastRun, now, std::nullopt});
    }
    Starts = std::max(Starts, starts);
    if (stopped && !Runs.empty() && !Runs.back().stopped)
        Runs.back().stopped = now;
}

std::vector<std::int16_t> LiveAudio::produce(EmuTime now)
{
    const std::uint64_t due = sampleAt(now);
    std::vector<std::int16_t> out(due > Produced ? due - Produced : 0, 0);
    for (const PlayedRun& r : Runs) {
        // The samples whose instant falls within what the run played.
        const std::uint64_t first = sampleAt(r.started);
        std::uint64_t last = due;
        if (const auto end = r.run.endTick())
            last = std::min(last, sampleAt(r.started + TimeOfTicks(*end)));
        if (r.stopped)
            last = std::min(last, sampleAt(*r.stopped));
        const std::uint64_t from = std::max(first, Produced);
        if (from >= last)
            continue;
        std::array<double, ChannelCount> gains;
        gains.fill(1.0);
        if (Sound)
            gains = Sound->channelGains(r.run);
        const std::vector<double> v =
            RenderWeighted(r.run, Rate, std::int64_t(last - from), std::int64_t(from - first), gains);
        for (std::size_t i = 0; i < v.size(); ++i)
            out[from - Produced + i] =
                static_cast<std::int16_t>(std::lround(std::clamp(v[i], -double(ConverterMax), double(ConverterMax))));
    }
    Produced = std::max(Produced, due);
    // A run that is over for every sample still to come is not needed again.
    while (!Runs.empty()) {
        const PlayedRun& r = Runs.front();
        std::optional<std::uint64_t> over;
        if (r.stopped)
            over = sampleAt(*r.stopped);
        if (const auto end = r.run.endTick())
            over = std::min(over.value_or(UINT64_MAX), sampleAt(r.started + TimeOfTicks(*end)));
        if (!over || *over > Produced)
            break;
        Runs.pop_front();
    }
    return out;
}

} // namespace tonvera::emu
