// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Why a serial port could not be opened, in the operator's words. The
// window keeps its plain range error for a port it cannot open; a tool run
// from a script has nobody to try another port and says what went wrong.

#include <string>
#include <string_view>

#include "device/PortLock.h"

namespace tonvera {

// "nicht vorhanden", "keine Berechtigung", "belegt", "kein serieller
// Anschluss", from the error number of the failed attempt.
[[nodiscard]] std::string PortOpenReason(int error);

// "belegt von minicom (PID 1234, Sperrdatei /var/lock/LCK..ttyUSB0)", as
// far as the holder is known; plain "belegt" for another port of this
// process.
[[nodiscard]] std::string PortBusyReason(const PortHolder& holder);

// "Anschluss <name> kann nicht geöffnet werden: <reason>"
[[nodiscard]] std::string PortOpenMessage(std::string_view name, std::string_view reason);

} // namespace tonvera
