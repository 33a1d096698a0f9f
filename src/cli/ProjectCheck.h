// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "tonvera-cli check": every parameter text of every signal in use and every
// global parameter, evaluated at every variable position, held against the
// parameter table's limits and against what the device object would refuse
// to encode. Nothing is sent anywhere: the device object writes to a line
// that only counts.

#include <string>
#include <vector>

#include "files/ProjectFile.h"

namespace tonvera::cli {

struct Problem {
    int signal = -1;       // slot 0..7; -1 for a global parameter
    std::string parameter; // the parameter's name as the window labels it
    std::string text;      // the program's own message
    std::string value;     // the evaluated value, when there is one
    std::vector<int> positions;
    bool warning = false;  // reported, but the device plays it
    bool overflow = false; // the device's model overflows there
};

// The subject of what the signals do together at the converter.
inline constexpr const char* OutputSubject = "Ausgang";

// All problems, those of one signal, parameter and message gathered over
// the positions where they occur; then, as warnings, where the signals
// sounding at once can exceed the converter's full scale and where the
// device's model first overflows (CheckOutput). The priority of repetitions and
// variables is not part of a project (it is the window's radio button), and
// decides whether the repetition count goes to the device.
[[nodiscard]] std::vector<Problem> CheckProject(const Project& project, Priority priority);

// "Signal 0, Frequenz, Position 1-3: Parameter Frequenz ist außerhalb des
// zulässigen Bereichs! (Wert 200000)"
[[nodiscard]] std::string FormatProblem(const Problem& p);

// "1, 3-5, 7"
[[nodiscard]] std::string FormatPositions(const std::vector<int>& positions);

} // namespace tonvera::cli
