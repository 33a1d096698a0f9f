// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a calibration file: the read never fails on a number,
// never reads or writes outside the 501 points, and what it read saves and
// reads back within the file's rounding.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/EichFile.h"
#include "model/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (char sep : {',', '.'}) {
        tonvera::EichTable table;
        try {
            tonvera::ParseEichFile(bytes, sep, "f.cal", table);
        } catch (const tonvera::AbortError&) {
            if (table.count != 0)
                __builtin_trap();
            continue;
        }
        for (int i = 0; i < table.count; ++i) {
            const auto k = static_cast<std::size_t>(i);
            if (!std::isfinite(table.frequencies[k]) || !std::isfinite(table.corrections[k]))
                __builtin_trap();
        }
        const std::string saved = tonvera::EichFileBytes(table);
        tonvera::EichTable again;
        tonvera::ParseEichFile(saved, sep, "f.cal", again);
        if (again.count != table.count)
            __builtin_trap();
        for (int i = 0; i < table.count; ++i) {
            const auto k = static_cast<std::size_t>(i);
            // Whole hertz and hundredths, each at most half a step away
            // (plus what a double cannot hold exactly).
            const double f = table.frequencies[k];
            const double c = table.corrections[k];
            if (std::fabs(again.frequencies[k] - f) > 0.5 + std::fabs(f) * 1e-15 ||
                std::fabs(again.corrections[k] - c) > 0.005 + std::fabs(c) * 1e-15)
                __builtin_trap();
        }
    }
    return 0;
}
