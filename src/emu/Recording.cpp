// SPDX-License-Identifier: GPL-3.0-or-later
#include "emu/Recording.h"

#include <algorithm>
#include <cmath>

namespace tonvera::emu {

std::int64_t PlayedRun::ticks(EmuTime now) const
{
    std::int64_t t = TicksOf((stopped ? *stopped : now) - started);
    if (const auto end = run.endTick())
        t = std::min(t, *end);
    return std::max<std::int64_t>(t, 0);
}

void RunRecorder::note(std::uint64_t starts, const RunSnapshot* lastRun, bool stopped, EmuTime now)
{
    if (starts > Runs.size() && lastRun) {
        if (!Runs.empty() && !Runs.back().stopped)
            Runs.back().stopped = now;
        Runs.push_back(PlayedRun{*lastRun, now, std::nullopt});
    }
    if (stopped && !Runs.empty() && !Runs.back().stopped)
        Runs.back().stopped = now;
}

std::int64_t RunRecorder::soundedTicks(EmuTime now) const
{
    std::int64_t t = 0;
    for (const PlayedRun& r : Runs)
        t += r.ticks(now);
    return t;
}

namespace {

constexpr double WavFullScale = double(ConverterMax);

void put16(std::string& s, std::uint16_t v)
{
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}

void put32(std::string& s, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void putPcm(std::string& s, double v)
{
    const double r = std::nearbyint(std::clamp(v, -WavFullScale, WavFullScale));
    put16(s, static_cast<std::uint16_t>(static_cast<std::int16_t>(r)));
}

} // namespace

void WavFile::add(double output, bool trigger)
{
    if (Float) {
        put32(Data, std::bit_cast<std::uint32_t>(static_cast<float>(output / WavFullScale)));
        put32(Data, std::bit_cast<std::uint32_t>(trigger ? 1.0f : 0.0f));
    } else {
        putPcm(Data, output);
        putPcm(Data, trigger ? WavFullScale : 0.0);
    }
    ++Frames;
}

std::string WavFile::bytes() const
{
    const std::uint16_t channels = 2;
    const std::uint16_t bits = Float ? 32 : 16;
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    const auto dataSize = static_cast<std::uint32_t>(Data.size());

    std::string h;
    h += "RIFF";
    // Float files carry the fmt extension size and a fact chunk.
    put32(h, static_cast<std::uint32_t>(4 + (Float ? 26 + 12 : 24) + 8 + dataSize));
    h += "WAVE";
    h += "fmt ";
    put32(h, Float ? 18 : 16);
    put16(h, Float ? 3 : 1);
    put16(h, channels);
    put32(h, Rate);
    put32(h, Rate * align);
    put16(h, align);
    put16(h, bits);
    if (Float) {
        put16(h, 0);
        h += "fact";
        put32(h, 4);
        put32(h, static_cast<std::uint32_t>(Frames));
    }
    h += "data";
    put32(h, dataSize);
    return h + Data;
}

std::vector<RenderedRun> RenderRuns(const std::vector<PlayedRun>& runs, EmuTime now, WavFile& wav,
                                    std::uint64_t maxFrames, const RenderProgress& progress)
{
    const double rate = wav.rate();
    // The samples whose instant lies within what each run played.
    std::vector<std::uint64_t> frames;
    std::uint64_t total = 0;
    for (const PlayedRun& r : runs) {
        auto n = static_cast<std::uint64_t>(std::ceil(double(r.ticks(now)) * rate / double(ClockHz)));
        n = std::min(n, maxFrames - std::min(maxFrames, wav.frames() + total));
        frames.push_back(n);
        total += n;
    }
    // A piece of about a second at the usual rates: the progress moves, and
    // no run is held in memory twice over.
    constexpr std::uint64_t Piece = 1 << 16;
    std::vector<RenderedRun> out;
    std::uint64_t done = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (frames[i] == 0)
            continue;
        RenderedRun rendered{frames[i], false};
        for (std::uint64_t at = 0; at < frames[i]; at += Piece) {
            const std::uint64_t n = std::min(Piece, frames[i] - at);
            const Rendering sound =
                Render(runs[i].run, rate, static_cast<std::int64_t>(n), static_cast<std::int64_t>(at));
            for (std::size_t k = 0; k < sound.output.size(); ++k)
                wav.add(sound.output[k], sound.trigger[k] != 0);
            rendered.overflow = rendered.overflow || sound.overflow;
            done += n;
            if (progress)
                progress(done, total);
        }
        out.push_back(rendered);
    }
    return out;
}

} // namespace tonvera::emu
