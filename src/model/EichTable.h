// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The calibration table: measured frequency points with the attenuation
// correction (dB) to add at that frequency. Copied as a whole between the
// main window and the calibration editor.

#include <array>
#include <cstdint>

namespace tonvera {

struct EichTable {
    static constexpr int MaxPoints = 501;

    std::int32_t count = 0;
    std::array<double, MaxPoints> frequencies{};
    std::array<double, MaxPoints> corrections{};

    friend bool operator==(const EichTable&, const EichTable&) = default;
};

// The correction for a frequency: linear between the points, constant
// beyond the first and the last, 0 with fewer than two points. A count
// outside 0..501 is taken as its nearest bound, so nothing is read outside
// the table.
[[nodiscard]] double EichCorrection(const EichTable& table, double frequency);

} // namespace tonvera
