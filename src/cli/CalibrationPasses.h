// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The assistant's passes without an operator to choose: measure every
// step, check them all, and measure again what failed, a few rounds at
// most. The tool and the Python module share it.

#include <functional>
#include <ostream>
#include <string>

#include "run/CalibrationAssistant.h"

namespace tonvera::cli {

inline constexpr int CalibrationRounds = 3;

// Returns whether the check passed; `stop` is asked between steps (the
// device is stopped after each anyway). Each step is reported on `out`.
bool MeasureAndCheck(CalibrationAssistant& a, std::ostream& out, const std::function<bool()>& stop,
                     int rounds = CalibrationRounds);

// "125 Hz, 4000 Hz": the steps that failed the check.
[[nodiscard]] std::string FailedStepsText(const CalibrationAssistant& a);

} // namespace tonvera::cli
