// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The emulator's loop: serves the device on the pseudo-terminal until told
// to stop, and writes the log and the recording on the way out.

#include "Options.h"

namespace tonvera::emutool {

// The exit code of the program.
int Serve(const Settings& s);

} // namespace tonvera::emutool
