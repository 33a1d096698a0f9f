// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/TableFill.h"

#include <cmath>
#include <numbers>

#include "model/Numbers.h"

namespace tonvera {

namespace {
double phaseOf(int i) { return 2.0 * std::numbers::pi * i / TableSize; }
} // namespace

void FillSine(SinusRecord& record)
{
    for (int i = 0; i < TableSize; ++i)
        record.Table[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(rnd(std::sin(phaseOf(i)) * FullScale));
}

void FillAM(SinusRecord& record, double m)
{
    for (int i = 0; i < TableSize; ++i) {
        const double phi = phaseOf(i);
        double v = rnd(std::sin(m * phi) * (std::sin(phi) + 1.0) / 2.0 * FullScale);
        // A non-finite multiple gives no wave; keep the entry silent rather
        // than converting NaN to an integer.
        if (!std::isfinite(v))
            v = 0.0;
        record.Table[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(v);
    }
}

void FillRect(SinusRecord& record)
{
    for (int i = 0; i < TableSize; ++i)
        record.Table[static_cast<std::size_t>(i)] =
            static_cast<std::int32_t>(rnd((static_cast<double>(i / 16384) - 0.5) * 65000.0));
}

double NextNoise(std::uint32_t& seed)
{
    seed = seed * 134775813u + 1u;
    return static_cast<double>(seed) / 4294967296.0;
}

void FillNoise(SinusRecord& record, std::uint32_t& seed)
{
    for (int i = 0; i < TableSize; ++i)
        record.Table[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(rnd(NextNoise(seed) * 65000.0 - 32500.0));
}

} // namespace tonvera
