// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A calibration table from its points, (frequency, correction in dB), in
// the order given.

#include <initializer_list>
#include <utility>

#include "model/EichTable.h"

namespace tonvera::test {

inline EichTable EichTableOf(std::initializer_list<std::pair<double, double>> points)
{
    EichTable t;
    for (const auto& [f, d] : points) {
        t.frequencies[static_cast<std::size_t>(t.count)] = f;
        t.corrections[static_cast<std::size_t>(t.count)] = d;
        ++t.count;
    }
    return t;
}

} // namespace tonvera::test
