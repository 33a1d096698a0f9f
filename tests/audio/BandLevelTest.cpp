// SPDX-License-Identifier: GPL-3.0-or-later
// The band level on synthetic signals: a tone read among its harmonics and
// the room's noise.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "audio/MicLevelSource.h"

namespace tonvera::test {
namespace {

using audio::BandLevelDbfs;

constexpr double Rate = 48000;

struct Tone {
    double hz;
    double dbfs;
};

std::vector<float> Mix(const std::vector<Tone>& tones, double seconds, double noiseRms = 0.0)
{
    std::vector<float> x(static_cast<std::size_t>(seconds * Rate));
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, noiseRms > 0 ? noiseRms : 1.0);
    for (std::size_t i = 0; i < x.size(); ++i) {
        double v = noiseRms > 0 ? noise(random) : 0.0;
        for (const Tone& t : tones)
            v += std::pow(10.0, t.dbfs / 20.0) * std::sin(2 * std::numbers::pi * t.hz * double(i) / Rate + 0.3);
        x[i] = float(v);
    }
    return x;
}

TEST(BandLevel, ReadsTheToneAloneAmongHarmonicsHumAndNoise)
{
    // A tone a fraction of a hertz off the frequency asked for, as the
    // device's frequency steps make it; a second harmonic louder than the
    // tone, mains hum, and noise only 10 dB below the tone.
    const std::vector<float> x =
        Mix({{1000.2, -30}, {2000.4, -20}, {3000.6, -35}, {50, -10}}, 1.0, std::pow(10.0, -40.0 / 20.0));
    EXPECT_NEAR(BandLevelDbfs(x, Rate, 1000), -30.0, 0.1);
    EXPECT_NEAR(BandLevelDbfs(x, Rate, 2000), -20.0, 0.1);

    // Full scale reads 0 dBFS, at a low and a high frequency and from a
    // short capture with wide bins.
    EXPECT_NEAR(BandLevelDbfs(Mix({{125, 0}}, 1.0), Rate, 125), 0.0, 0.05);
    EXPECT_NEAR(BandLevelDbfs(Mix({{16000, 0}}, 0.25), Rate, 16000), 0.0, 0.05);
}

TEST(BandLevel, ATonePastTheBandIsNotCounted)
{
    // A third of an octave away, or a neighbour 20 Hz off a low tone.
    EXPECT_LT(BandLevelDbfs(Mix({{1260, 0}}, 1.0), Rate, 1000), -80.0);
    EXPECT_LT(BandLevelDbfs(Mix({{145, 0}}, 0.5), Rate, 125), -60.0);
    // Nothing to read: silence, no samples, a frequency past half the rate.
    EXPECT_EQ(BandLevelDbfs(std::vector<float>(48000, 0.0f), Rate, 1000), -INFINITY);
    EXPECT_EQ(BandLevelDbfs({}, Rate, 1000), -INFINITY);
    EXPECT_EQ(BandLevelDbfs(Mix({{1000, 0}}, 1.0), Rate, 30000), -INFINITY);
}

} // namespace
} // namespace tonvera::test
