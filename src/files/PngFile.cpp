// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/PngFile.h"

#include <algorithm>
#include <array>

namespace tonvera {

RgbImage::RgbImage(int width, int height, std::uint32_t fill)
    : Width(std::max(width, 1)), Height(std::max(height, 1)),
      Pixels(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) * 3)
{
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            set(x, y, fill);
}

void RgbImage::set(int x, int y, std::uint32_t rgb)
{
    if (x < 0 || y < 0 || x >= Width || y >= Height)
        return;
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + x) * 3;
    Pixels[i] = static_cast<std::uint8_t>(rgb >> 16);
    Pixels[i + 1] = static_cast<std::uint8_t>(rgb >> 8);
    Pixels[i + 2] = static_cast<std::uint8_t>(rgb);
}

std::uint32_t RgbImage::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= Width || y >= Height)
        return 0;
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + x) * 3;
    return (std::uint32_t{Pixels[i]} << 16) | (std::uint32_t{Pixels[i + 1]} << 8) | Pixels[i + 2];
}

namespace {

std::uint32_t Crc32(const std::string& bytes, std::size_t from)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xffffffffu;
    for (std::size_t i = from; i < bytes.size(); ++i)
        c = table[(c ^ static_cast<std::uint8_t>(bytes[i])) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

void Be32(std::string& out, std::uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(static_cast<char>((v >> s) & 0xff));
}

void Chunk(std::string& out, const char* type, const std::string& data)
{
    Be32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out += type;
    out += data;
    Be32(out, Crc32(out, start));
}

} // namespace

std::string PngBytes(const RgbImage& image)
{
    std::string raw;
    const std::size_t row = static_cast<std::size_t>(image.Width) * 3;
    for (int y = 0; y < image.Height; ++y) {
        raw.push_back('\0'); // no filter
        raw.append(reinterpret_cast<const char*>(image.Pixels.data()) + y * row, row);
    }

    std::string z = "\x78\x01";
    constexpr std::size_t MaxStored = 65535;
    for (std::size_t at = 0; at < raw.size() || at == 0; at += MaxStored) {
        const std::size_t n = std::min(MaxStored, raw.size() - at);
        z.push_back(at + n >= raw.size() ? '\1' : '\0');
        z.push_back(static_cast<char>(n & 0xff));
        z.push_back(static_cast<char>(n >> 8));
        z.push_back(static_cast<char>(~n & 0xff));
        z.push_back(static_cast<char>((~n >> 8) & 0xff));
        z.append(raw, at, n);
        if (raw.empty())
            break;
    }
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Be32(z, (b << 16) | a);

    std::string ihdr;
    Be32(ihdr, static_cast<std::uint32_t>(image.Width));
    Be32(ihdr, static_cast<std::uint32_t>(image.Height));
    ihdr += std::string("\x08\x02\x00\x00\x00", 5); // 8 bit, RGB, deflate, no filter, no interlace

    std::string out = "\x89PNG\r\n\x1a\n";
    Chunk(out, "IHDR", ihdr);
    Chunk(out, "IDAT", z);
    Chunk(out, "IEND", "");
    return out;
}

} // namespace tonvera
