// SPDX-License-Identifier: GPL-3.0-or-later
// The boot loader: wake-up, unpacking of the 7-bit transfer format, the end
// of an upload and what a broken-off upload leaves behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "emu/BootLoader.h"
#include "EmuHarness.h"

namespace tonvera::emu {
namespace {

using namespace std::chrono_literals;

// The transmitted form of one half of a group, written out the way the
// program's firmware upload packs it, independently of the unpacker.
std::array<std::uint8_t, 8> PackHalf(const std::uint8_t* b)
{
    return {std::uint8_t(0x80 + (b[0] >> 1)),
            std::uint8_t(0x80 + ((b[0] & 0x01) << 6) + (b[1] >> 2)),
            std::uint8_t(0x80 + ((b[1] & 0x03) << 5) + (b[2] >> 3)),
            std::uint8_t(0x80 + ((b[2] & 0x07) << 4) + (b[3] >> 4)),
            std::uint8_t(0x80 + ((b[3] & 0x0F) << 3) + (b[4] >> 5)),
            std::uint8_t(0x80 + ((b[4] & 0x1F) << 2) + (b[5] >> 6)),
            std::uint8_t(0x80 + ((b[5] & 0x3F) << 1) + (b[6] >> 7)),
            std::uint8_t(0x80 + (b[6] & 0x7F))};
}

std::vector<std::uint8_t> Pack(const std::vector<std::uint8_t>& firmware)
{
    std::vector<std::uint8_t> out;
    for (std::size_t g = 0; g < firmware.size(); g += 7) {
        const auto h = PackHalf(firmware.data() + g);
        out.insert(out.end(), h.begin(), h.end());
    }
    return out;
}

std::vector<std::uint8_t> RandomFirmware(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> fw(n);
    for (auto& b : fw)
        b = static_cast<std::uint8_t>(rng());
    return fw;
}

TEST(BootLoader, UnpacksTheSevenBitGroups)
{
    const std::vector<std::uint8_t> edge = {0xFF, 0x00, 0x80, 0x01, 0x7F, 0xFE, 0xA5,
                                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF};
    const auto packed = Pack(edge);
    ASSERT_EQ(packed.size(), 16u);
    for (std::uint8_t b : packed)
        EXPECT_TRUE(b & 0x80);
    const auto g = UnpackGroup(std::span<const std::uint8_t, 16>(packed.data(), 16));
    EXPECT_EQ(std::vector<std::uint8_t>(g.begin(), g.end()), edge);

    const auto fw = RandomFirmware(224 * 3, 1);
    EXPECT_EQ(UnpackFirmware(Pack(fw)), fw);
}

class BootLoaderRun : public ::testing::Test {
protected:
    std::vector<std::uint8_t> send(std::initializer_list<std::uint8_t> bytes)
    {
        return send(std::vector<std::uint8_t>(bytes));
    }
    std::vector<std::uint8_t> send(const std::vector<std::uint8_t>& bytes) { return emu.receive(bytes, now); }
    static EmulatorOptions Options()
    {
        EmulatorOptions o;
        o.bootLoader = true;
        o.bootGap = 200ms;
        return o;
    }

    Emulator emu{Options()};
    EmuTime now{0};
    std::vector<std::vector<std::uint8_t>> received;
    void SetUp() override
    {
        emu.onFirmware = [this](const std::vector<std::uint8_t>& fw) { received.push_back(fw); };
    }
};

TEST_F(BootLoaderRun, WakeUpBlocksAndTheFirstSyncByteEndTheUpload)
{
    ASSERT_TRUE(emu.inBootLoader());
    EXPECT_EQ(send({0x00, 0x07}), std::vector<std::uint8_t>{});
    EXPECT_EQ(send({0x20}), (std::vector<std::uint8_t>{0xAA, 0x55}));
    const auto fw = RandomFirmware(224 * 2, 2);
    now += 1ms;
    EXPECT_TRUE(send(Pack(fw)).empty());
    EXPECT_TRUE(emu.inBootLoader());
    // The framing check starts at once: its first byte completes the upload
    // and counts towards the first packet.
    now += 100ms;
    EXPECT_TRUE(send({0x20, 0x20, 0x20, 0x20, 0x20}).empty());
    EXPECT_FALSE(emu.inBootLoader());
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], fw);
    EXPECT_EQ(send({0x20}).size(), 1u);
}

TEST_F(BootLoaderRun, UnusedSlotsAtTheEndOfTheLastBlockNeedNotBePacked)
{
    send({0x20});
    const auto fw = RandomFirmware(224 + 14 * 3, 8);
    auto packed = Pack(fw);
    packed.resize(512, 0x00); // 13 empty group slots sent as zero bytes
    send(packed);
    send({0x20});
    ASSERT_EQ(received.size(), 1u);
    ASSERT_EQ(received[0].size(), 448u);
    EXPECT_TRUE(std::equal(fw.begin(), fw.end(), received[0].begin()));
    EXPECT_EQ(received[0].back(), 0);
    EXPECT_FALSE(emu.inBootLoader());
}

TEST_F(BootLoaderRun, AQuietGapEndsAnUploadOfWholeBlocks)
{
    send({0x20});
    const auto fw = RandomFirmware(224, 3);
    send(Pack(fw));
    emu.tick(now + 199ms);
    EXPECT_TRUE(emu.inBootLoader());
    emu.tick(now + 200ms);
    EXPECT_FALSE(emu.inBootLoader());
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], fw);
}

TEST_F(BootLoaderRun, ABrokenOffBlockIsDroppedAndTheNextWakeUpStartsAfresh)
{
    send({0x20});
    auto packed = Pack(RandomFirmware(224, 4));
    packed.resize(100);
    send(packed);
    now += 300ms;
    emu.tick(now);
    EXPECT_TRUE(emu.inBootLoader());
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(send({0x20}), (std::vector<std::uint8_t>{0xAA, 0x55}));
    const auto fw = RandomFirmware(224, 5);
    send(Pack(fw));
    send({0x20});
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], fw);
}

TEST(BootLoaderSync, TheProgramsCheckSyncFailsInTheBootLoaderAndPassesAfterTheUpload)
{
    EmulatorOptions o;
    o.bootLoader = true;
    test::EmuHarness h(o);
    EXPECT_FALSE(h.device.CheckSync());
    // The wake-up as the program's upload does it.
    while (h.line.readByte().arrived()) {
    }
    const std::uint8_t wake = 0x20;
    h.line.writeBlock(std::span<const std::uint8_t>(&wake, 1));
    EXPECT_EQ(h.line.readByte().value, 0xAA);
    EXPECT_EQ(h.line.readByte().value, 0x55);
    const auto packed = Pack(RandomFirmware(224, 6));
    h.line.writeBlock(packed);
    EXPECT_TRUE(h.device.CheckSync());
    EXPECT_FALSE(h.emulator.inBootLoader());
}

} // namespace
} // namespace tonvera::emu
