// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "model/EichTable.h"
#include "support/EichPoints.h"

namespace tonvera {
namespace {

using test::EichTableOf;

// The correction at each frequency, as (frequency, dB) pairs.
void expectCorrections(const EichTable& t, std::initializer_list<std::pair<double, double>> expected)
{
    for (const auto& [f, d] : expected)
        EXPECT_DOUBLE_EQ(EichCorrection(t, f), d) << "at " << f << " Hz";
}

TEST(Calibration, FewerThanTwoPointsHaveNoEffect)
{
    EXPECT_EQ(EichCorrection(EichTable{}, 1000), 0.0);
    const EichTable one = EichTableOf({{1000, 3}});
    EXPECT_EQ(EichCorrection(one, 1000), 0.0);
    EXPECT_EQ(EichCorrection(one, 10), 0.0);
}

TEST(Calibration, InterpolatesBetweenPointsAndHoldsBeyondThem)
{
    expectCorrections(EichTableOf({{100, 2}, {1000, 4}}), {{50, 2}, {100, 2}, {550, 3}, {1000, 4}, {5000, 4}});
}

TEST(Calibration, FirstOfEqualFrequenciesWins)
{
    expectCorrections(EichTableOf({{1000, 1}, {1000, 3}, {2000, 5}}), {{1000, 1}, {500, 1}, {1500, 3}});
}

TEST(Calibration, OrderOfPointsDoesNotMatter)
{
    expectCorrections(EichTableOf({{1000, 4}, {100, 2}}), {{550, 3}, {20, 2}});
}

TEST(Calibration, CountBeyondTheTableIsBounded)
{
    EichTable t = EichTableOf({{100, 2}, {1000, 4}});
    t.count = 100000;
    // The remaining points are all (0 Hz, 0 dB); they change nothing above 0 Hz
    // and nothing outside the 501 entries is read.
    EXPECT_DOUBLE_EQ(EichCorrection(t, 550), 3);
    t.count = -5;
    EXPECT_EQ(EichCorrection(t, 550), 0.0);
}

} // namespace
} // namespace tonvera
