// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/TableFill.h"

namespace tonvera {
namespace {

TEST(Fills, SineHasItsPeaksAndZeros)
{
    SinusRecord r;
    FillSine(r);
    EXPECT_EQ(r.Table[0], 0);
    EXPECT_EQ(r.Table[8192], 32500);
    EXPECT_EQ(r.Table[16384], 0);
    EXPECT_EQ(r.Table[24576], -32500);
    EXPECT_EQ(r.Table[4096], 22981); // 32500 * sin(pi/4) = 22980.970...
}

TEST(Fills, RectangleSwitchesAtHalfPeriod)
{
    SinusRecord r;
    FillRect(r);
    EXPECT_EQ(r.Table[0], -32500);
    EXPECT_EQ(r.Table[16383], -32500);
    EXPECT_EQ(r.Table[16384], 32500);
    EXPECT_EQ(r.Table[32767], 32500);
}

TEST(Fills, AmWithMultipleOne)
{
    SinusRecord r;
    FillAM(r, 1);
    EXPECT_EQ(r.Table[0], 0);
    EXPECT_EQ(r.Table[8192], 32500);
    EXPECT_EQ(r.Table[24576], 0);
    // Entry 16384 + 5461 sits just past phase 7pi/6 where the value is small
    // and negative; the envelope never exceeds full scale.
    EXPECT_LT(r.Table[16384 + 5461], 0);
    for (std::size_t i = 0; i < r.Table.size(); ++i)
        ASSERT_LE(std::abs(r.Table[i]), 32500);
}

TEST(Fills, AmCarrierInsideTheEnvelope)
{
    SinusRecord r;
    FillAM(r, 10);
    // At the envelope's peak (phase pi/2) the carrier sin(10*pi/2) is 0.
    EXPECT_EQ(r.Table[8192], 0);
    // Phase pi/20: carrier at its peak, envelope (sin(pi/20)+1)/2.
    const double expected = (std::sin(std::numbers::pi / 20) + 1) / 2 * 32500;
    EXPECT_NEAR(r.Table[819], expected, 2);
}

TEST(Fills, NoiseIsTheFixedGeneratorSequence)
{
    SinusRecord r;
    std::uint32_t seed = 0;
    FillNoise(r, seed);
    // First state 1: r = 1/2^32, so rnd(65000/2^32 - 32500) = -32500.
    EXPECT_EQ(r.Table[0], -32500);
    // Second state 134775814.
    EXPECT_EQ(r.Table[1], static_cast<int>(std::nearbyint(134775814.0 / 4294967296.0 * 65000 - 32500)));
    EXPECT_TRUE(std::all_of(r.Table.begin(), r.Table.end(), [](int v) { return v >= -32500 && v <= 32500; }));

    // The generator runs on: a second fill gives a new table.
    SinusRecord again;
    FillNoise(again, seed);
    EXPECT_NE(again.Table, r.Table);

    // ... and the sequence is the same from the same start.
    SinusRecord repeat;
    std::uint32_t fresh = 0;
    FillNoise(repeat, fresh);
    EXPECT_EQ(repeat.Table, r.Table);
}

TEST(Fills, GeneratorStateWrapsModulo2To32)
{
    std::uint32_t seed = 0xFFFFFFFFu;
    const double r = NextNoise(seed);
    EXPECT_EQ(seed, static_cast<std::uint32_t>(0xFFFFFFFFull * 134775813ull + 1ull));
    EXPECT_GE(r, 0.0);
    EXPECT_LT(r, 1.0);
}

TEST(Records, TextByParameterIndex)
{
    SinusRecord r;
    r.SetDefaultTexts();
    EXPECT_EQ(r.Text(0), "1");
    EXPECT_EQ(r.Text(4), "25");
    EXPECT_EQ(r.Text(6), "0,002");
    r.Text(4) = "30";
    EXPECT_EQ(r.Dach, "30");
    EXPECT_THROW(r.Text(7), std::exception);
}

} // namespace
} // namespace tonvera
