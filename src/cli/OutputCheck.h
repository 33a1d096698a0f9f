// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the eight signals do together at the converter, position by
// position: the device's output is their sum, and a sum beyond full scale
// is clipped (and reported by the device as overflow). Each position is
// downloaded into the emulator's device model as the preview does it, so
// the registers are those Start would send.

#include <vector>

#include "ProjectCheck.h"

namespace tonvera::cli {

// Warnings, one per stretch of a position where the signals sounding at
// once can together exceed full scale (their tables' peaks at their
// envelopes' peaks add up beyond it), and one for the first position and
// time at which the model's sum really leaves the converter's range
// (overflow set). The search for that overflow stops at the first one.
[[nodiscard]] std::vector<Problem> CheckOutput(const Project& project, Priority priority);

} // namespace tonvera::cli
