// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/Cp1252.h"

#include <array>

namespace tonvera {

namespace {

// 0x80..0x9F; the holes keep their own number.
constexpr std::array<char32_t, 32> High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(char32_t cp, std::string& out)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        // Windows-1252 has nothing beyond the Basic Multilingual Plane.
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 character at `i`; on a malformed sequence returns
// U+FFFD and a length of 1, so the caller reports it instead of guessing.
char32_t decodeUtf8(std::string_view s, std::size_t i, std::size_t& length)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    length = 1;
    if (b0 < 0x80)
        return b0;
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0xFFFD;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size())
        return 0xFFFD;
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0xFFFD;
    length = static_cast<std::size_t>(extra) + 1;
    return cp;
}

bool isAscii(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

char32_t Cp1252CodePoint(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return High[byte - 0x80];
    return byte;
}

std::optional<unsigned char> Cp1252Byte(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<unsigned char>(cp);
    for (std::size_t k = 0; k < High.size(); ++k)
        if (High[k] == cp)
            return static_cast<unsigned char>(0x80 + k);
    return std::nullopt;
}

std::string Cp1252ToUtf8(std::string_view bytes)
{
    if (isAscii(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (char c : bytes)
        appendUtf8(Cp1252CodePoint(static_cast<unsigned char>(c)), out);
    return out;
}

std::optional<Unencodable> FindUnencodable(std::string_view utf8)
{
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::size_t length = 1;
        const char32_t cp = decodeUtf8(utf8, i, length);
        if (!Cp1252Byte(cp)) {
            // A malformed sequence is shown as the replacement character, so
            // the message itself stays valid UTF-8.
            Unencodable u;
            u.offset = i;
            u.codePoint = cp;
            u.character = cp == 0xFFFD ? std::string("\xEF\xBF\xBD") : std::string(utf8.substr(i, length));
            return u;
        }
        i += length;
    }
    return std::nullopt;
}

bool AppendCp1252(std::string_view utf8, std::string& out)
{
    if (isAscii(utf8)) {
        out.append(utf8);
        return true;
    }
    const std::size_t start = out.size();
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::size_t length = 1;
        const char32_t cp = decodeUtf8(utf8, i, length);
        const auto byte = Cp1252Byte(cp);
        if (!byte) {
            out.resize(start);
            return false;
        }
        out.push_back(static_cast<char>(*byte));
        i += length;
    }
    return true;
}

} // namespace tonvera
