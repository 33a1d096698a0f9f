// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ctrl-C and SIGTERM for the commands that drive the device: the first one
// asks for the window's Stop, the handler then reverts, so a second one
// ends the tool at once (for instance while a table upload blocks for
// seconds). Without SA_RESTART, so that a reading waited for on the
// terminal ends too, and the device is stopped before the tool goes.

#include <csignal>

namespace tonvera::cli {

[[nodiscard]] bool StopRequested();
void InstallStopHandlers();

} // namespace tonvera::cli
