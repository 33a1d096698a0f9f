// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulation window's figures for a project, without the window: the
// total length of a run through all positions and each position's begin,
// length and trigger window.

#include <optional>
#include <string>
#include <vector>

#include "files/ProjectFile.h"
#include "model/Dialogs.h"

namespace tonvera::cli {

inline constexpr const char* SimulationNeedsVariables = "Simulation nur sinnvoll, wenn Variablen verwendet werden!";

struct SimulatedPosition {
    int position = 0;
    double beginMs = 0;
    double lengthMs = 0;
    double triggerStartMs = 0;
    double triggerStopMs = 0;
};

struct SimulatedRun {
    double totalMs = 0;
    std::string caption; // "Dauer des Gesamtsignals: 4,5 Sekunden"
    std::vector<SimulatedPosition> positions;
};

// Nothing without variables (the window shows SimulationNeedsVariables).
// Texts that do not evaluate are reported once to `dialogs`, as the
// window reports them; one that aborts throws AbortError.
[[nodiscard]] std::optional<SimulatedRun> SimulateProject(Project project, Dialogs& dialogs);

} // namespace tonvera::cli
