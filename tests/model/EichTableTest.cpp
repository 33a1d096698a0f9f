#include <gtest/gtest.h>

#include "model/EichTable.h"

namespace tonvera {
namespace {

EichTable tableOf(std::initializer_list<std::pair<double, double>> points)
{
    EichTable t;
    for (const auto& [f, d] : points) {
        t.frequencies[static_cast<std::size_t>(t.count)] = f;
        t.corrections[static_cast<std::size_t>(t.count)] = d;
        ++t.count;
    }
    return t;
}

TEST(Calibration, FewerThanTwoPointsHaveNoEffect)
{
    EXPECT_EQ(EichCorrection(EichTable{}, 1000), 0.0);
    const EichTable one = tableOf({{1000, 3}});
    EXPECT_EQ(EichCorrection(one, 1000), 0.0);
    EXPECT_EQ(EichCorrection(one, 10), 0.0);
}

TEST(Calibration, InterpolatesBetweenPointsAndHoldsBeyondThem)
{
    const EichTable t = tableOf({{100, 2}, {1000, 4}});
    EXPECT_DOUBLE_EQ(EichCorrection(t, 50), 2);
    EXPECT_DOUBLE_EQ(EichCorrection(t, 100), 2);
    EXPECT_DOUBLE_EQ(EichCorrection(t, 550), 3);
    EXPECT_DOUBLE_EQ(EichCorrection(t, 1000), 4);
    EXPECT_DOUBLE_EQ(EichCorrection(t, 5000), 4);
}

TEST(Calibration, FirstOfEqualFrequenciesWins)
{
    const EichTable t = tableOf({{1000, 1}, {1000, 3}, {2000, 5}});
    EXPECT_DOUBLE_EQ(EichCorrection(t, 1000), 1);
    EXPECT_DOUBLE_EQ(EichCorrection(t, 500), 1);
    EXPECT_DOUBLE_EQ(EichCorrection(t, 1500), 3);
}

TEST(Calibration, OrderOfPointsDoesNotMatter)
{
    const EichTable t = tableOf({{1000, 4}, {100, 2}});
    EXPECT_DOUBLE_EQ(EichCorrection(t, 550), 3);
    EXPECT_DOUBLE_EQ(EichCorrection(t, 20), 2);
}

TEST(Calibration, CountBeyondTheTableIsBounded)
{
    EichTable t = tableOf({{100, 2}, {1000, 4}});
    t.count = 100000;
    // The remaining points are all (0 Hz, 0 dB); they change nothing above 0 Hz
    // and nothing outside the 501 entries is read.
    EXPECT_DOUBLE_EQ(EichCorrection(t, 550), 3);
    t.count = -5;
    EXPECT_EQ(EichCorrection(t, 550), 0.0);
}

} // namespace
} // namespace tonvera
