// SPDX-License-Identifier: GPL-3.0-or-later
// Status vote and frame synchronisation against scripted devices on a
// virtual clock.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "device/TTonvera.h"
#include "support/ScriptedLine.h"
#include "support/VirtualClock.h"

namespace tonvera {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ScriptedLine;

class Status : public ::testing::Test {
protected:
    ScriptedLine line;
    test::VirtualClock clock;
    TTonvera dev{line, clock};

    int packetsWritten() const { return static_cast<int>(line.allBytes().size() / 6); }
};

TEST_F(Status, TwoEqualReadingsNeedNoThird)
{
    line.responder = ScriptedLine::answerPackets({8, 8, 99});
    EXPECT_EQ(dev.ReadStatus(), 8);
    EXPECT_EQ(line.writes, (std::vector<Bytes>{{32, 0, 0, 0, 0, 0}, {32, 0, 0, 0, 0, 0}}));
}

TEST_F(Status, ThirdReadingDecides)
{
    line.responder = ScriptedLine::answerPackets({8, 0, 8});
    EXPECT_EQ(dev.ReadStatus(), 8);
    EXPECT_EQ(packetsWritten(), 3);

    line.responder = ScriptedLine::answerPackets({0, 8, 8});
    EXPECT_EQ(dev.ReadStatus(), 8);

    line.responder = ScriptedLine::answerPackets({8, 0, 16});
    EXPECT_EQ(dev.ReadStatus(), 0);
}

TEST_F(Status, QueryGoesOutPlainWhileRunning)
{
    dev.Running = true;
    line.responder = ScriptedLine::answerEveryPacket(136);
    EXPECT_EQ(dev.ReadStatus(), 136);
    EXPECT_EQ(line.writes, (std::vector<Bytes>{{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}}));
}

TEST_F(Status, SilentDeviceReadsZeroAfterTenShortPauses)
{
    EXPECT_EQ(dev.ReadStatus(), 0);
    EXPECT_EQ(packetsWritten(), 2);
    EXPECT_EQ(clock.pauses, std::vector<int>(20, 1));
}

TEST_F(Status, ReplyMayTakeSomeTries)
{
    // The answer shows up during the fourth 1 ms pause of each reading.
    int pausesSinceQuery = 0;
    line.responder = [&](ScriptedLine&, std::span<const std::uint8_t>) { pausesSinceQuery = 0; };
    clock.onPause = [&](long long) {
        if (++pausesSinceQuery == 4)
            line.queueReply(24);
    };
    EXPECT_EQ(dev.ReadStatus(), 24);
    EXPECT_EQ(clock.pauses.size(), 8u);
}

TEST_F(Status, StaleBytesAreDrainedBeforeEachQuery)
{
    line.queueReplies({128, 128, 128});
    line.responder = ScriptedLine::answerEveryPacket(8);
    EXPECT_EQ(dev.ReadStatus(), 8);
}

TEST_F(Status, DamagedReplyCountsAsZeroInTheVote)
{
    int query = 0;
    line.responder = [&](ScriptedLine& l, std::span<const std::uint8_t>) {
        if (++query == 1)
            l.queueUnreadable();
        else
            l.queueReply(8);
    };
    EXPECT_EQ(dev.ReadStatus(), 8);
    EXPECT_EQ(query, 3);
}

TEST_F(Status, ClosedLineReadsZero)
{
    line.opened = false;
    EXPECT_EQ(dev.ReadStatus(), 0);
}

// --- Synchronize ---------------------------------------------------------

TEST_F(Status, SynchronizeStopsAtTheFirstAnswer)
{
    line.responder = ScriptedLine::answerEveryPacket(0);
    // The device already holds two bytes of a packet: four singles complete it.
    line.writeBlock(Bytes{1, 2});
    line.clearWrites();
    EXPECT_TRUE(dev.Synchronize());
    EXPECT_EQ(line.writes, (std::vector<Bytes>(4, Bytes{32})));
    EXPECT_EQ(clock.pauses, std::vector<int>(4, 10));
    EXPECT_TRUE(line.input.empty()) << "the answer is consumed";
}

TEST_F(Status, SynchronizeSendsZeroWhileRunning)
{
    dev.Running = true;
    line.responder = ScriptedLine::answerEveryByte(0);
    EXPECT_TRUE(dev.Synchronize());
    EXPECT_EQ(line.writes, (std::vector<Bytes>{{0}}));
}

TEST_F(Status, SynchronizeGivesUpAfterAHundredTries)
{
    line.queueReply(5); // stale, drained first
    EXPECT_FALSE(dev.Synchronize());
    EXPECT_EQ(line.writes.size(), 100u);
    EXPECT_EQ(clock.now, 1000);
}

// --- CheckSync -----------------------------------------------------------

TEST_F(Status, CheckSyncAcceptsAPacketDevice)
{
    line.responder = ScriptedLine::answerEveryPacket(0);
    line.writeBlock(Bytes{1, 2, 3}); // device out of step by three bytes
    line.clearWrites();
    EXPECT_TRUE(dev.CheckSync());
    // 3 singles to the first answer, then the five unanswered and the sixth.
    EXPECT_EQ(line.writes, (std::vector<Bytes>(9, Bytes{32})));
    std::vector<int> expected{100, 50, 50, 50, 15, 15, 15, 15, 15, 15};
    EXPECT_EQ(clock.pauses, expected);
    EXPECT_TRUE(line.input.empty());
}

TEST_F(Status, CheckSyncRejectsALineThatAnswersEveryByte)
{
    line.responder = ScriptedLine::answerEveryByte(0x55);
    EXPECT_FALSE(dev.CheckSync());
    // All six frame bytes still go out.
    EXPECT_EQ(line.writes.size(), 7u);
}

TEST_F(Status, CheckSyncRejectsADeviceThatMissesTheSixthByte)
{
    // Answers the first packet, then never again.
    line.responder = ScriptedLine::answerPackets({0});
    EXPECT_FALSE(dev.CheckSync());
    EXPECT_EQ(line.writes.size(), 12u);
}

TEST_F(Status, CheckSyncOnASilentLine)
{
    EXPECT_FALSE(dev.CheckSync());
    EXPECT_EQ(line.writes.size(), 106u);
    EXPECT_EQ(clock.now, 100 + 100 * 50 + 6 * 15);
}

TEST_F(Status, CheckSyncWaitsForAQuietLine)
{
    line.responder = ScriptedLine::answerEveryPacket(0);
    // Leftover replies keep coming during the first two quiet pauses.
    clock.onPause = [&](long long now) {
        if (now <= 200)
            line.queueReply(8);
    };
    EXPECT_TRUE(dev.CheckSync());
    ASSERT_GE(clock.pauses.size(), 3u);
    EXPECT_EQ((std::vector<int>(clock.pauses.begin(), clock.pauses.begin() + 3)), (std::vector<int>{100, 100, 100}));
    EXPECT_EQ(clock.pauses[3], 50);
}

TEST_F(Status, CheckSyncDoesNotHangOnAChatteringLine)
{
    clock.onPause = [&](long long) { line.queueReply(0xAA); };
    EXPECT_FALSE(dev.CheckSync());
    int quietPauses = 0;
    while (quietPauses < static_cast<int>(clock.pauses.size()) && clock.pauses[quietPauses] == 100)
        ++quietPauses;
    EXPECT_EQ(quietPauses, 50);
}

} // namespace
} // namespace tonvera
