// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A PNG writer small enough to need no library: 8-bit RGB, one IDAT of
// stored (uncompressed) deflate blocks. The plots it carries are a few
// hundred kilobytes at most; readers care only that the file is valid.

#include <cstdint>
#include <string>
#include <vector>

namespace tonvera {

struct RgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels; // Width * Height * 3, rows top down

    RgbImage(int width, int height, std::uint32_t fill = 0xffffff);
    // Pixels outside the image are ignored, so drawings need not clip.
    void set(int x, int y, std::uint32_t rgb);
    [[nodiscard]] std::uint32_t at(int x, int y) const;
};

[[nodiscard]] std::string PngBytes(const RgbImage& image);

} // namespace tonvera
