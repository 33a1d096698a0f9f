// SPDX-License-Identifier: GPL-3.0-or-later
// The level of one tone among others: a Hann-windowed spectrum sampled on a
// grid centred on the tone's frequency, its power summed over a few bins on
// each side. Summing the bins keeps the reading right when the tone lies a
// little off the requested frequency (the device's frequency steps are a
// fraction of a hertz), and the window keeps a loud harmonic or mains hum
// outside the band from leaking in.
#include "audio/MicLevelSource.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace tonvera::audio {

namespace {

// Bins summed on each side of the centre: the Hann window's main lobe is
// two bins wide each way; beyond four, what a tone leaks is far below 0.01 dB.
constexpr int BandBins = 4;

// |sum x[n] w[n] e^{-i omega n}|^2 by the Goertzel recurrence.
double WindowedPower(std::span<const float> x, const std::vector<double>& w, double omega)
{
    const double c = 2.0 * std::cos(omega);
    double s1 = 0.0;
    double s2 = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double s = double(x[i]) * w[i] + c * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return s1 * s1 + s2 * s2 - c * s1 * s2;
}

} // namespace

double BandLevelDbfs(std::span<const float> samples, double rate, double hz)
{
    constexpr double Silence = -std::numeric_limits<double>::infinity();
    const std::size_t n = samples.size();
    if (n < 4 * BandBins || !(rate > 0.0) || !(hz > 0.0) || hz >= rate / 2.0)
        return Silence;

    std::vector<double> w(n);
    double windowEnergy = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        w[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(n));
        windowEnergy += w[i] * w[i];
    }

    const double binHz = rate / double(n);
    // A short capture has wide bins: the band stays within a third of an
    // octave (a sixth each way), but keeps the main lobe.
    const double maxHalfWidth = hz * (std::exp2(1.0 / 6.0) - 1.0);
    int bins = BandBins;
    while (bins > 2 && bins * binHz > maxHalfWidth)
        --bins;

    double power = 0.0;
    for (int k = -bins; k <= bins; ++k) {
        const double f = hz + k * binHz;
        if (f <= 0.0 || f >= rate / 2.0)
            continue;
        power += WindowedPower(samples, w, 2.0 * std::numbers::pi * f / rate);
    }
    // Parseval: the bins of one side hold half the windowed tone's energy.
    const double meanSquare = 2.0 * power / (double(n) * windowEnergy);
    if (!(meanSquare > 0.0))
        return Silence;
    // A full-scale sine has a mean square of 1/2.
    return 10.0 * std::log10(meanSquare / 0.5);
}

} // namespace tonvera::audio
