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
                                    std::uint64_t maxFrames)
{
    std::vector<RenderedRun> out;
    const double rate = wav.rate();
    for (const PlayedRun& r : runs) {
        if (wav.frames() >= maxFrames)
            break;
        // The samples whose instant lies within what the run played.
        auto frames = static_cast<std::uint64_t>(std::ceil(double(r.ticks(now)) * rate / double(ClockHz)));
        frames = std::min(frames, maxFrames - wav.frames());
        if (frames == 0)
            continue;
        const Rendering sound = Render(r.run, rate, static_cast<std::int64_t>(frames));
        for (std::size_t i = 0; i < sound.output.size(); ++i)
            wav.add(sound.output[i], sound.trigger[i] != 0);
        out.push_back(RenderedRun{frames, sound.overflow});
    }
    return out;
}

} // namespace tonvera::emu
