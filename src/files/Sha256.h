// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SHA-256 of a file's bytes, so that a record names exactly which project
// and which calibration were in place.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tonvera {

class Sha256 {
public:
    Sha256();
    void update(std::string_view bytes);
    // The digest as 64 lowercase hex digits; the object is spent then.
    [[nodiscard]] std::string hex();

private:
    void block(const std::uint8_t* p);

    std::array<std::uint32_t, 8> H;
    std::array<std::uint8_t, 64> Buffer{};
    std::size_t Used = 0;
    std::uint64_t Length = 0;
};

[[nodiscard]] std::string Sha256Hex(std::string_view bytes);

} // namespace tonvera
