// SPDX-License-Identifier: GPL-3.0-or-later
// The file code page and the line splitting at the file boundary.

#include <gtest/gtest.h>

#include <fstream>

#include "files/Cp1252.h"
#include "files/LineReader.h"
#include "files/TextFile.h"
#include "support/TempDir.h"

namespace tonvera {
namespace {

TEST(Cp1252, EveryByteReadsAndWritesBack)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::string utf8 = Cp1252ToUtf8(all);
    EXPECT_FALSE(FindUnencodable(utf8).has_value());
    std::string back;
    ASSERT_TRUE(AppendCp1252(utf8, back));
    EXPECT_EQ(back, all);
}

TEST(Cp1252, TheWindowsRangeHasItsOwnCharacters)
{
    EXPECT_EQ(Cp1252ToUtf8("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E"), "€‚ƒ„…†‡ˆ‰Š‹ŒŽ");
    EXPECT_EQ(Cp1252ToUtf8("\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F"), "‘’“”•–—˜™š›œžŸ");
    // The five holes become the control characters of the same number.
    EXPECT_EQ(Cp1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(Cp1252ToUtf8("\xC4\xD6\xDC\xE4\xF6\xFC\xDF\xA0\xFF"), "ÄÖÜäöüß\u00A0ÿ");
}

TEST(Cp1252, CharactersOutsideTheCodePageAreFoundNotGuessed)
{
    std::string out = "x";
    EXPECT_FALSE(AppendCp1252("aŐb", out));
    EXPECT_EQ(out, "x"); // nothing appended
    const auto bad = FindUnencodable("Größe Ő");
    ASSERT_TRUE(bad.has_value());
    EXPECT_EQ(bad->offset, 8u);
    EXPECT_EQ(bad->codePoint, U'Ő');
    EXPECT_EQ(bad->character, "Ő");
    // A C1 control that Windows-1252 uses for a printable character.
    EXPECT_EQ(FindUnencodable("\u0080")->codePoint, 0x80u);
    // Malformed UTF-8: a lone lead byte, a stray continuation, an overlong
    // form, a surrogate.
    for (const char* s : {"a\xC3", "\x80", "\xC0\xAF", "\xED\xA0\x80"})
        EXPECT_EQ(FindUnencodable(s)->codePoint, 0xFFFDu) << s;
    EXPECT_TRUE(AppendCp1252("€ – „ok“", out));
    EXPECT_EQ(out, "x\x80 \x96 \x84ok\x93");
}

TEST(Lines, AllThreeLineEndsAndNoEmptyLineAfterTheLast)
{
    using V = std::vector<std::string_view>;
    EXPECT_EQ(SplitLines(""), V{});
    EXPECT_EQ(SplitLines("a"), V{"a"});
    EXPECT_EQ(SplitLines("a\r\n"), V{"a"});
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("\r\n\r\n"), (V{"", ""}));
    EXPECT_EQ(SplitLines("a\n\rb"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\r\n"), (V{"a", ""}));
}

// A file is read in blocks: a line end split between two blocks (CR at the
// end of one, LF at the start of the next) and lines longer than a block
// must come out as from the whole text, with only the last line last.
TEST(Lines, AFileReadLineByLineGivesTheSameLinesAcrossItsBlocks)
{
    // A CR LF across the first block boundary, a lone CR at the end of the
    // second block, a line of two blocks, no end after the last line.
    constexpr std::size_t Block = 65536;
    std::string text = std::string(Block - 1, 'a') + "\r\n";
    const char* ends[] = {"\r\n", "\r", "\n"};
    for (std::size_t i = 0; text.size() < Block + 30000; ++i)
        text += std::string(i % 13, static_cast<char>('a' + i % 26)) + ends[i % 3];
    text.resize(2 * Block - 1, 'c');
    text += "\rb\n" + std::string(2 * Block + 10, 'z') + "\r\n\r\nletzte";
    test::TempDir dir;
    std::ofstream(dir.path("t.txt"), std::ios::binary) << text;
    const std::vector<std::string_view> expected = SplitLines(text);
    LineReader file = LineReader::Open(dir.path("t.txt"), true);
    std::size_t n = 0;
    std::string_view line;
    while (file.next(line)) {
        ASSERT_LT(n, expected.size());
        EXPECT_EQ(line, expected[n]) << "line " << n;
        EXPECT_EQ(file.more(), n + 1 < expected.size()) << "line " << n;
        ++n;
    }
    EXPECT_EQ(n, expected.size());
    EXPECT_EQ(file.lineNumber(), expected.size());
}

} // namespace
} // namespace tonvera
