// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands of tonvera-cli. Each returns the process's exit code;
// output goes to `out` (results, progress) and `err` (the boxes the window
// would show, errors).

#include <istream>
#include <ostream>

#include "CliOptions.h"

namespace tonvera::cli {

enum ExitCode : int {
    ExitOk = 0,
    ExitProblems = 1, // check found something; play or render failed
    ExitUsage = 2,    // bad command line, or a file that cannot be read
    ExitTimeout = 3,
    ExitOverflow = 4, // the run ended, but the device reported overflow
    ExitInterrupted = 130,
};

[[nodiscard]] int RunCheck(const CliOptions& o, std::ostream& out, std::ostream& err);
[[nodiscard]] int RunSimulate(const CliOptions& o, std::ostream& out, std::ostream& err);
[[nodiscard]] int RunPlay(const CliOptions& o, std::ostream& out, std::ostream& err);
[[nodiscard]] int RunRender(const CliOptions& o, std::ostream& out, std::ostream& err);
[[nodiscard]] int RunPorts(const CliOptions& o, std::ostream& out);
// Readings of "--meter" come from `in`.
[[nodiscard]] int RunCalibrate(const CliOptions& o, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace tonvera::cli
