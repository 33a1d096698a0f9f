// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The time limit of a run, as `tonvera-cli play --timeout` and the Python
// module's play(timeout=...) take it: one rule for both.

#include <chrono>
#include <cmath>
#include <optional>

namespace tonvera::cli {

// A limit is a positive, finite number of seconds; NaN, infinity, zero and
// negative numbers are none and are refused where they are given.
[[nodiscard]] inline bool IsTimeLimit(double seconds) { return std::isfinite(seconds) && seconds > 0; }

// When a run that begins at `now` has used up `seconds`. Nothing for what
// is no limit (the endless run's default of 0), and nothing for a limit
// beyond what the clock can count (--timeout 1e10): that is no limit
// either, never a wrap into the past that ends the run at once.
[[nodiscard]] inline std::optional<std::chrono::steady_clock::time_point>
DeadlineAfter(double seconds, std::chrono::steady_clock::time_point now)
{
    using Clock = std::chrono::steady_clock;
    if (!IsTimeLimit(seconds))
        return std::nullopt;
    const double room = std::chrono::duration<double>(Clock::time_point::max() - now).count();
    if (seconds >= room / 2)
        return std::nullopt;
    return now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

} // namespace tonvera::cli
