// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "files/LineReader.h"
#include "files/Sha256.h"
#include "support/TempDir.h"

namespace tonvera::test {
namespace {

TEST(Sha256, KnownDigestsAcrossBlockBoundariesAndPieces)
{
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first block.
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    const std::string million(1000000, 'a');
    EXPECT_EQ(Sha256Hex(million), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    Sha256 pieces;
    for (std::size_t i = 0; i < million.size(); i += 999)
        pieces.update(std::string_view(million).substr(i, 999));
    EXPECT_EQ(pieces.hex(), Sha256Hex(million));
}

TEST(Sha256, ALineReaderHashesTheWholeFileAlsoWhenReadingStoppedEarly)
{
    TempDir dir;
    const std::string path = dir.path("a.txt");
    std::string text;
    for (int i = 0; i < 30000; ++i)
        text += "Zeile " + std::to_string(i) + "\r\n";
    std::ofstream(path, std::ios::binary) << text;
    LineReader r = LineReader::Open(path, true);
    std::string_view line;
    ASSERT_TRUE(r.next(line));
    EXPECT_EQ(r.sha256(), Sha256Hex(text));
    EXPECT_EQ(LineReader(text).sha256(), Sha256Hex(text));
}

} // namespace
} // namespace tonvera::test
