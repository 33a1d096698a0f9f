#include "WavFile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace tonvera::cli {

namespace {

constexpr double FullScale = 32767.0;

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

void putFloat(std::string& s, float f) { put32(s, std::bit_cast<std::uint32_t>(f)); }

void putPcm(std::string& s, double v)
{
    const double r = std::nearbyint(std::clamp(v, -FullScale, FullScale));
    put16(s, static_cast<std::uint16_t>(static_cast<std::int16_t>(r)));
}

} // namespace

void WavFile::add(double output, bool trigger)
{
    if (Float) {
        putFloat(Data, static_cast<float>(output / FullScale));
        putFloat(Data, trigger ? 1.0f : 0.0f);
    } else {
        putPcm(Data, output);
        putPcm(Data, trigger ? FullScale : 0.0);
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

} // namespace tonvera::cli
