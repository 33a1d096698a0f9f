// SPDX-License-Identifier: GPL-3.0-or-later
// The firmware upload: file format, 14-to-16 packing, blocks, count, errors;
// and opening and closing the port.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "device/FirmwarePacking.h"
#include "device/TTonvera.h"
#include "model/Errors.h"
#include "model/WaveTable.h"
#include "support/ScriptedLine.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

namespace tonvera {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// A boot loader that answers the wake-up byte with 0xAA 0x55.
test::ScriptedLine::Responder BootLoader()
{
    return [](test::ScriptedLine& line, std::span<const std::uint8_t> w) {
        if (w.size() == 1 && w[0] == 0x20)
            line.queueReplies({0xAA, 0x55});
    };
}

// Random hex digits of both cases; never a real image.
std::string RandomHex(std::size_t n, unsigned seed)
{
    static const char digits[] = "0123456789abcdefABCDEF";
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> pick(0, 21);
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += digits[pick(gen)];
    return s;
}

int Hex(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// Back from 16 transmitted bytes to 14, independently of the packer.
Bytes Unpack(const Bytes& block)
{
    Bytes out;
    for (std::size_t g = 0; g + 16 <= block.size(); g += 16)
        for (std::size_t half = 0; half < 2; ++half) {
            unsigned long long bits = 0;
            for (std::size_t k = 0; k < 8; ++k) {
                EXPECT_TRUE(block[g + half * 8 + k] & 0x80);
                bits = (bits << 7) | (block[g + half * 8 + k] & 0x7F);
            }
            for (int i = 6; i >= 0; --i)
                out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
        }
    return out;
}

class Firmware : public ::testing::Test {
protected:
    Firmware() { line.responder = BootLoader(); }

    std::string write(const std::string& content)
    {
        const fs::path p = dir / "signal_pqz.hex";
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    // The blocks written after the wake-up byte.
    std::vector<Bytes> blocks() const
    {
        std::vector<Bytes> out;
        for (const Bytes& w : line.writes)
            if (w.size() != 1)
                out.push_back(w);
        return out;
    }
    std::string uploadError(const std::string& content)
    {
        try {
            dev.UploadFirmware(write(content));
        } catch (const AbortError& e) {
            return e.text();
        }
        return "no error";
    }

    test::TempDir scratch;
    const fs::path& dir = scratch.path();
    test::ScriptedLine line;
    test::VirtualClock clock;
    TTonvera dev{line, clock};
};

TEST_F(Firmware, KnownGroupIsPackedExactly)
{
    std::vector<std::string> progress;
    dev.Progress = [&](const std::string& s) { progress.push_back(s); };
    // 14 bytes, then a line end: read as one more pair, counted, not sent.
    dev.UploadFirmware(write("01020304050607FFFEFDFCFBFAF9\r\n"));

    EXPECT_EQ(line.writes.front(), (Bytes{0x20}));
    EXPECT_EQ(clock.pauses, (std::vector<int>{100}));
    const auto b = blocks();
    ASSERT_EQ(b.size(), 1u);
    ASSERT_EQ(b[0].size(), 256u);
    const Bytes group0(b[0].begin(), b[0].begin() + 16);
    EXPECT_EQ(group0, (Bytes{0x80, 0xC0, 0xC0, 0xB0, 0xA0, 0x94, 0x8C, 0x87, //
                             0xFF, 0xFF, 0xDF, 0xDF, 0xE7, 0xEF, 0xF5, 0xF9}));
    // The group that held only the line end, and the slots after the end of
    // the file: zero bytes, packed.
    for (std::size_t i = 16; i < 256; ++i)
        ASSERT_EQ(b[0][i], 0x80) << i;
    EXPECT_EQ(dev.UploadCount, -15);
    EXPECT_EQ(progress, (std::vector<std::string>{"Initialisiere Hardware: 100 %"}));
}

TEST_F(Firmware, RandomImageGivesItsBytesInGroupsAndBlocks)
{
    for (std::size_t n : {std::size_t(2), std::size_t(28), std::size_t(30), std::size_t(448), std::size_t(450),
                          std::size_t(1000), std::size_t(7170)}) {
        SCOPED_TRACE(n);
        line.clearWrites();
        std::vector<std::string> progress;
        dev.Progress = [&](const std::string& s) { progress.push_back(s); };
        const std::string text = RandomHex(n, static_cast<unsigned>(n));
        dev.UploadFirmware(write(text));

        const std::size_t pairs = n / 2;
        const std::size_t groups = (pairs + 13) / 14;
        const std::size_t blockCount = (groups + 15) / 16;
        EXPECT_EQ(dev.UploadCount, -static_cast<long>(pairs));
        const auto b = blocks();
        ASSERT_EQ(b.size(), blockCount);
        ASSERT_EQ(progress.size(), blockCount);
        EXPECT_EQ(progress.back(), "Initialisiere Hardware: 100 %");

        Bytes all;
        for (const Bytes& blk : b) {
            ASSERT_EQ(blk.size(), 256u);
            const Bytes u = Unpack(blk);
            all.insert(all.end(), u.begin(), u.end());
        }
        // The last pair is read but not converted: N/2 - 1 firmware bytes,
        // everything after them zero.
        for (std::size_t i = 0; i + 1 < pairs; ++i)
            ASSERT_EQ(all[i], Hex(text[2 * i]) * 16 + Hex(text[2 * i + 1])) << i;
        for (std::size_t i = pairs - 1; i < all.size(); ++i)
            ASSERT_EQ(all[i], 0) << i;
    }
}

TEST_F(Firmware, ProgressCountsPairsAgainstTheFileSize)
{
    std::vector<std::string> progress;
    dev.Progress = [&](const std::string& s) { progress.push_back(s); };
    // 700 pairs: 50 groups, 4 blocks of 224, 224, 224 and 28 bytes.
    dev.UploadFirmware(write(RandomHex(1400, 7)));
    EXPECT_EQ(progress, (std::vector<std::string>{"Initialisiere Hardware: 32 %", "Initialisiere Hardware: 64 %",
                                                  "Initialisiere Hardware: 96 %", "Initialisiere Hardware: 100 %"}));
}

TEST_F(Firmware, EmptyFileSendsNoBlock)
{
    dev.UploadFirmware(write(""));
    EXPECT_EQ(dev.UploadCount, 0);
    EXPECT_EQ(line.writes, (std::vector<Bytes>{{0x20}}));
}

TEST_F(Firmware, SilentBootLoaderEndsTheAttemptBeforeTheFile)
{
    line.responder = nullptr;
    dev.UploadCount = -5;
    dev.UploadFirmware((dir / "missing.hex").string()); // never opened
    EXPECT_EQ(dev.UploadCount, 0);
    EXPECT_EQ(line.writes, (std::vector<Bytes>{{0x20}}));

    // Only half the greeting, or the halves swapped.
    line.responder = [](test::ScriptedLine& l, std::span<const std::uint8_t>) { l.queueReplies({0x55, 0xAA}); };
    dev.UploadFirmware((dir / "missing.hex").string());
    EXPECT_EQ(dev.UploadCount, 0);
}

TEST_F(Firmware, PendingInputIsDrainedBeforeTheWakeUp)
{
    line.queueReplies({0xAA, 0x55, 0x13});
    line.responder = nullptr;
    dev.UploadFirmware(write("0000"));
    // The stale greeting did not count.
    EXPECT_EQ(blocks().size(), 0u);
}

TEST_F(Firmware, FileErrors)
{
    EXPECT_EQ(uploadError("01G203\r\n"), "'$G' ist kein gültiger Integerwert");
    EXPECT_EQ(uploadError("0\xE4"
                          "0000"),
              "'$ä' ist kein gültiger Integerwert");
    EXPECT_EQ(uploadError("01020"), "Versuch hinter dem Dateiende zu lesen");
    // The last pair is never converted, so anything may stand there.
    EXPECT_EQ(uploadError("0102zz"), "no error");

    // What the path names instead of a file, and where it was looked for.
    const auto errorOf = [&](const std::string& path) {
        try {
            dev.UploadFirmware(path);
        } catch (const FileError& e) {
            return e.text();
        }
        return std::string("no error");
    };
    const std::string fifo = (dir / "pipe.hex").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(errorOf((dir / "nothing-here.hex").string()),
              "Datei nicht gefunden: " + (dir / "nothing-here.hex").string());
    EXPECT_EQ(errorOf(dir.string()), "Keine Firmware-Datei: " + dir.string() + " ist ein Ordner");
    EXPECT_EQ(errorOf(fifo), "Keine Firmware-Datei: " + fifo + " ist eine benannte Pipe (FIFO)");
    EXPECT_EQ(errorOf("/dev/null"), "Keine Firmware-Datei: /dev/null ist ein Gerät");
    // The default name is looked for in the working folder, and says so.
    const fs::path before = fs::current_path();
    fs::create_directory(dir / "lab");
    fs::current_path(dir / "lab");
    EXPECT_EQ(errorOf("signal_pqz.hex"), "Datei nicht gefunden: " + (fs::current_path() / "signal_pqz.hex").string());
    fs::current_path(before);
}

TEST(FirmwarePacking, HalvesAreIndependentSevenBitStrings)
{
    FirmwareGroup g{};
    g[6] = 0x7F; // last byte of the first half: only the last piece
    g[7] = 0x80; // first byte of the second half: its top bit in piece 8
    std::array<std::uint8_t, 16> out{};
    PackFirmwareGroup(g, out);
    EXPECT_EQ(out, (std::array<std::uint8_t, 16>{0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0xFF, //
                                                 0xC0, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}));
}

class OpenClose : public ::testing::Test {
protected:
    test::ScriptedLine line;
    test::VirtualClock clock;
    TTonvera dev{line, clock};
};

TEST_F(OpenClose, OpenSynchronisesStopsAndForgetsTheTables)
{
    line.responder = test::ScriptedLine::answerEveryPacket(0);
    line.opened = false;
    dev.Running = true;
    dev.TableCache[3][10] = 99;
    dev.OpenDevice("COM3:");
    EXPECT_EQ(line.openedNames, (std::vector<std::string>{"COM3:"}));
    EXPECT_FALSE(dev.Running);
    EXPECT_EQ(dev.TableCache[3][10], 0);
    // Sync bytes (stopped: 32) until the sixth completes a packet and is
    // answered, then the stop packet.
    ASSERT_EQ(line.writes.size(), 7u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(line.writes[static_cast<std::size_t>(i)], (Bytes{32}));
    EXPECT_EQ(line.writes[6], (Bytes{32, 0, 0, 0, 0, 0}));

    line.clearWrites();
    dev.CloseDevice();
    EXPECT_EQ(line.writes, (std::vector<Bytes>{{32, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(line.closeCount, 1);
    EXPECT_FALSE(line.isOpen());
}

TEST_F(OpenClose, PortThatCannotBeOpenedIsARangeError)
{
    line.opened = false;
    line.openSucceeds = false;
    dev.TableCache[0][0] = 1;
    EXPECT_THROW(dev.OpenDevice("COM9:"), RangeError);
    EXPECT_TRUE(line.writes.empty());
    EXPECT_TRUE(clock.pauses.empty());
    EXPECT_EQ(dev.TableCache[0][0], 1);
}

} // namespace
} // namespace tonvera
