// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Project and calibration files are 8-bit Windows-1252 on disk, so that files
// written by the earlier Windows versions read back; inside the program every
// text is UTF-8. The conversion happens only here, at the file boundary.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tonvera {

// Every byte has a character: the five bytes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same
// number, so reading never fails and writing them back restores the byte.
[[nodiscard]] std::string Cp1252ToUtf8(std::string_view bytes);

// The first character of a text that has no Windows-1252 form.
struct Unencodable {
    std::size_t offset = 0; // byte offset in the UTF-8 text
    char32_t codePoint = 0; // U+FFFD for a byte sequence that is not UTF-8
    std::string character;  // the character as UTF-8, for the message
};

// Nothing when the whole text can be written, else the first character
// that cannot.
[[nodiscard]] std::optional<Unencodable> FindUnencodable(std::string_view utf8);

// Appends the Windows-1252 form of `utf8` to `out`. Returns false (and
// appends nothing) when some character has no such form.
[[nodiscard]] bool AppendCp1252(std::string_view utf8, std::string& out);

// The byte for one code point, or nothing.
[[nodiscard]] std::optional<unsigned char> Cp1252Byte(char32_t codePoint);
// The code point of one byte.
char32_t Cp1252CodePoint(unsigned char byte);

} // namespace tonvera
