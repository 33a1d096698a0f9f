// SPDX-License-Identifier: GPL-3.0-or-later
// Wave table uploads: numbering, packet layout, the cache, the progress.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/Protocol.h"
#include "device/TTonvera.h"
#include "model/Errors.h"
#include "model/WaveTable.h"
#include "support/ScriptedLine.h"
#include "support/VirtualClock.h"

namespace tonvera {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t BlockBytes = 256 * 6;

WaveTable Ramp()
{
    WaveTable t;
    for (int k = 0; k < TableSize; ++k)
        t[static_cast<std::size_t>(k)] = (k % 65001) - 32500;
    return t;
}

class LoadTableTest : public ::testing::Test {
protected:
    LoadTableTest() { line.responder = test::ScriptedLine::answerEveryPacket(0); }

    // The table words of the upload, decoded back from the blocks.
    struct Word {
        std::uint32_t address;
        std::int16_t value;
    };
    std::vector<Word> words() const
    {
        std::vector<Word> out;
        for (const Bytes& w : line.writes) {
            if (w.size() != BlockBytes)
                continue;
            for (std::size_t i = 0; i < w.size(); i += 6) {
                EXPECT_EQ(w[i], 113);
                protocol::Packet p;
                std::copy(w.begin() + static_cast<long>(i), w.begin() + static_cast<long>(i) + 6, p.begin());
                out.push_back({protocol::TableAddressOf(p), protocol::TableValueOf(p)});
            }
        }
        return out;
    }

    test::ScriptedLine line;
    test::VirtualClock clock;
    TTonvera dev{line, clock};
};

TEST_F(LoadTableTest, SignalZeroGoesToDeviceTableOne)
{
    const WaveTable t = Ramp();
    EXPECT_TRUE(dev.LoadTable(0, t.span()));

    ASSERT_GE(line.writes.size(), 130u);
    EXPECT_EQ(line.writes[0], (Bytes{102, 0, 0, 0, 3, 0}));
    for (std::size_t b = 1; b <= 128; ++b)
        ASSERT_EQ(line.writes[b].size(), BlockBytes) << "write " << b;
    EXPECT_EQ(line.writes[129], (Bytes{102, 0, 0, 0, 1, 0}));
    // Then the framing check: single synchronisation bytes only.
    for (std::size_t i = 130; i < line.writes.size(); ++i)
        EXPECT_EQ(line.writes[i], (Bytes{32}));

    // The first packet exactly: address 32768 = 0x008000, value -32500 as
    // 16-bit two's complement 33036 = 0x810C.
    EXPECT_EQ(Bytes(line.writes[1].begin(), line.writes[1].begin() + 6), (Bytes{113, 0x00, 0x80, 0x00, 0x0C, 0x81}));

    const auto w = words();
    ASSERT_EQ(w.size(), static_cast<std::size_t>(TableSize));
    for (int k = 0; k < TableSize; ++k) {
        ASSERT_EQ(w[static_cast<std::size_t>(k)].address, static_cast<std::uint32_t>(32768 + k));
        ASSERT_EQ(w[static_cast<std::size_t>(k)].value, t[static_cast<std::size_t>(k)]);
    }
}

TEST_F(LoadTableTest, LastSignalWrapsToDeviceTableZero)
{
    const WaveTable t = Ramp();
    dev.Running = true; // the table word code never changes with the run state
    dev.LoadTable(7, t.span());
    EXPECT_EQ(line.writes[0], (Bytes{70, 0, 0, 0, 3, 0}));
    const auto w = words();
    ASSERT_EQ(w.size(), static_cast<std::size_t>(TableSize));
    EXPECT_EQ(w.front().address, 0u);
    EXPECT_EQ(w.back().address, 32767u);

    line.clearWrites();
    dev.LoadTable(6, t.span());
    EXPECT_EQ(words().front().address, 7u * 32768u);
}

TEST_F(LoadTableTest, UnchangedTableIsNotSentAgain)
{
    WaveTable t = Ramp();
    dev.LoadTable(2, t.span());
    line.clearWrites();
    EXPECT_FALSE(dev.LoadTable(2, t.span()));
    EXPECT_TRUE(line.writes.empty());

    // One changed entry sends the whole table again.
    t[32767] = 5;
    dev.LoadTable(2, t.span());
    EXPECT_EQ(words().size(), static_cast<std::size_t>(TableSize));
    EXPECT_EQ(dev.TableCache[2][32767], 5);

    // After the cache is cleared, only tables with a non-zero entry go out.
    line.clearWrites();
    dev.ClearTableCache();
    const WaveTable zeros;
    EXPECT_FALSE(dev.LoadTable(3, zeros.span()));
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(LoadTableTest, ClosedPortSendsNothingAndKeepsTheCache)
{
    line.opened = false;
    const WaveTable t = Ramp();
    EXPECT_FALSE(dev.LoadTable(0, t.span()));
    EXPECT_EQ(line.droppedWrites, 0);
    EXPECT_EQ(dev.TableCache[0][0], 0);
}

TEST_F(LoadTableTest, ValueOutOfRangeAbortsInTheMiddleAndTheTableGoesOutAgainNextTime)
{
    WaveTable t = Ramp();
    t[300] = 70000; // in the second block
    EXPECT_THROW(dev.LoadTable(1, t.span()), RangeError);
    // Table mode 3 and the first block went out, nothing after.
    ASSERT_EQ(line.writes.size(), 2u);
    EXPECT_EQ(line.writes[0], (Bytes{102, 0, 0, 0, 3, 0}));
    EXPECT_EQ(line.writes[1].size(), BlockBytes);
    // The device holds half a table: the cache must not claim the whole.
    EXPECT_EQ(dev.TableCache[1][300], 0);
    line.clearWrites();
    EXPECT_THROW(dev.LoadTable(1, t.span()), RangeError);
    EXPECT_EQ(line.writes.size(), 2u);

    EXPECT_THROW(dev.LoadTable(8, t.span()), RangeError);
    EXPECT_THROW(dev.LoadTable(-1, t.span()), RangeError);
}

TEST_F(LoadTableTest, ProgressAfterEachBlock)
{
    std::vector<std::string> texts;
    dev.Progress = [&](const std::string& s) { texts.push_back(s); };
    const WaveTable t = Ramp();
    dev.LoadTable(4, t.span());
    ASSERT_EQ(texts.size(), 128u);
    EXPECT_EQ(texts[0], "Lade Tabelle 5: 1 %");
    EXPECT_EQ(texts[63], "Lade Tabelle 5: 50 %");
    EXPECT_EQ(texts[127], "Lade Tabelle 5: 100 %");
}

TEST_F(LoadTableTest, TableThatFailsItsCheckTwiceAborts)
{
    line.responder = nullptr; // a silent line: the check fails
    const WaveTable t = Ramp();
    try {
        dev.LoadTable(0, t.span());
        ADD_FAILURE() << "no abort";
    } catch (const AbortError& e) {
        EXPECT_EQ(e.text(), "Tabelle 1 wurde nicht fehlerfrei übertragen");
    }
    EXPECT_EQ(words().size(), 2u * TableSize);
    EXPECT_EQ(dev.TableCache[0], WaveTable());
    // A device that answers nothing gives no sign of having the table: each
    // check waited until it had left the line, right after table mode 1.
    ASSERT_EQ(line.waitSentAfter.size(), 2u);
    for (std::size_t n : line.waitSentAfter)
        EXPECT_EQ(line.writes[n - 1], (Bytes{102, 0, 0, 0, 1, 0}));
}

TEST_F(LoadTableTest, SlippedFramingSendsTheTableOnceMore)
{
    // The device loses one byte of the first upload: it then stands one byte
    // into a packet, and the check's fifth byte completes one.
    line.responder = [count = std::size_t{0}, seen = std::size_t{0}](test::ScriptedLine& l,
                                                                     std::span<const std::uint8_t> w) mutable {
        for (std::size_t i = 0; i < w.size(); ++i) {
            if (++seen == 1000)
                continue;
            if (++count % 6 == 0)
                l.queueReply(0);
        }
    };
    const WaveTable t = Ramp();
    EXPECT_TRUE(dev.LoadTable(0, t.span()));
    EXPECT_EQ(words().size(), 2u * TableSize);
    EXPECT_EQ(dev.TableCache[0], t);
    // The first upload's count fell short, so the line was drained before
    // it was judged; the second one's answers showed it had every byte.
    EXPECT_EQ(line.waitSentAfter.size(), 1u);
}

// A whole packet lost leaves the boundary where it was: the framing check
// passes, the count of answers does not. Lost in both uploads, the table
// aborts and the device is stopped on a boundary found again.
TEST_F(LoadTableTest, WholePacketsLostAreCountedAndTheDeviceStoppedAfterTheSecondUpload)
{
    // Two packets' bytes inside the first upload, and as many inside the
    // second one (an upload is 196,620 bytes).
    const auto losing = [](std::size_t uploads) {
        return [uploads, seen = std::size_t{0}, count = std::size_t{0}](test::ScriptedLine& l,
                                                                        std::span<const std::uint8_t> w) mutable {
            for (std::size_t i = 0; i < w.size(); ++i) {
                ++seen;
                const bool lost = (seen > 6000 && seen <= 6012) || (uploads == 2 && seen > 206000 && seen <= 206012);
                if (lost)
                    continue;
                if (++count % 6 == 0)
                    l.queueReply(0);
            }
        };
    };
    const WaveTable t = Ramp();
    line.responder = losing(1);
    EXPECT_TRUE(dev.LoadTable(0, t.span()));
    EXPECT_EQ(words().size(), 2u * TableSize);
    EXPECT_EQ(dev.TableCache[0], t);

    line.clearWrites();
    dev.ClearTableCache();
    line.responder = losing(2);
    EXPECT_THROW(dev.LoadTable(0, t.span()), AbortError);
    EXPECT_EQ(words().size(), 2u * TableSize);
    EXPECT_EQ(dev.TableCache[0], WaveTable());
    EXPECT_FALSE(dev.Running);
    EXPECT_EQ(line.writes.back(), (Bytes{32, 0, 0, 0, 0, 0}));
}

TEST_F(LoadTableTest, StallLossAndInterruptEndTheUploadAtOnce)
{
    const WaveTable t = Ramp();
    line.faultAtWrite = 4; // the third block
    line.scriptedFault = LineFault::Stalled;
    EXPECT_THROW(dev.LoadTable(2, t.span()), LineStallError);
    EXPECT_EQ(line.writes.size(), 4u);
    EXPECT_EQ(dev.TableCache[2], WaveTable());
    EXPECT_TRUE(line.opened);

    line.clearWrites();
    int asked = 0;
    dev.Interrupted = [&] { return ++asked == 3; };
    EXPECT_THROW(dev.LoadTable(2, t.span()), TransferInterrupted);
    EXPECT_EQ(line.writes.size(), 3u); // table mode and two blocks
    EXPECT_EQ(dev.TableCache[2], WaveTable());
    dev.Interrupted = nullptr;

    line.clearWrites();
    line.faultAtWrite = 2;
    line.scriptedFault = LineFault::Lost;
    dev.Running = true;
    EXPECT_THROW(dev.LoadTable(2, t.span()), PortLostError);
    EXPECT_EQ(line.writes.size(), 2u);
    EXPECT_FALSE(line.opened);
    EXPECT_TRUE(dev.PortLost);
    EXPECT_FALSE(dev.Running);
    EXPECT_EQ(dev.TableCache[2], WaveTable());
}

TEST_F(LoadTableTest, AfterABrokenOffUploadAnyTableGoesOutAnAllZeroOneToo)
{
    int asked = 0;
    dev.Interrupted = [&] { return ++asked == 3; };
    EXPECT_THROW(dev.LoadTable(5, Ramp().span()), TransferInterrupted);
    dev.Interrupted = nullptr;
    // The device holds two blocks of the ramp; neither a project load's
    // cleared cache nor zeros matching it make the slot's content known.
    dev.ClearTableCache();
    const WaveTable zeros;
    line.clearWrites();
    EXPECT_TRUE(dev.LoadTable(5, zeros.span()));
    EXPECT_EQ(words().size(), static_cast<std::size_t>(TableSize));
    // Once a table got through, the slot is known again.
    line.clearWrites();
    EXPECT_FALSE(dev.LoadTable(5, zeros.span()));
    EXPECT_TRUE(line.writes.empty());
}

} // namespace
} // namespace tonvera
