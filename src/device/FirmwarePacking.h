// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The transfer form of the firmware: the boot loader takes only bytes with
// bit 7 set, so every 7 firmware bytes (56 bits) travel as 8 bytes of 7 bits,
// most significant bits first. 14 firmware bytes make a group of 16, and 16
// groups a block of 256 bytes.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "model/Errors.h"

namespace tonvera {

inline constexpr int FirmwareGroupSize = 14;
inline constexpr int FirmwarePackedGroupSize = 16;
inline constexpr int FirmwareGroupsPerBlock = 16;
inline constexpr int FirmwareBlockSize = FirmwarePackedGroupSize * FirmwareGroupsPerBlock;

using FirmwareGroup = std::array<std::uint8_t, FirmwareGroupSize>;
using FirmwareBlock = std::array<std::uint8_t, FirmwareBlockSize>;

inline void PackFirmwareGroup(const FirmwareGroup& in, std::span<std::uint8_t, FirmwarePackedGroupSize> out)
{
    for (int half = 0; half < 2; ++half) {
        std::uint64_t bits = 0;
        for (int i = 0; i < 7; ++i)
            bits = (bits << 8) | in[static_cast<std::size_t>(half * 7 + i)];
        for (int k = 0; k < 8; ++k)
            out[static_cast<std::size_t>(half * 8 + k)] =
                static_cast<std::uint8_t>(0x80 | ((bits >> (49 - 7 * k)) & 0x7F));
    }
}

// A file character as UTF-8 for a message; the file is 8-bit text in
// Windows-1252, as the earlier program wrote and read it.
[[nodiscard]] inline std::string FileCharText(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x80)
        return std::string(1, c);
    static constexpr char16_t High[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
    };
    const char32_t cp = u < 0xA0 ? High[u - 0x80] : u;
    std::string s;
    if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

// One hexadecimal digit of the firmware file. Each digit is converted on its
// own as "$" and the digit, so a bad one is reported that way.
[[nodiscard]] inline int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    throw IntConvertError("$" + FileCharText(c));
}

} // namespace tonvera
