// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-cli ports: the serial ports the hardware dialog offers, each with
// what it is, so the right adapter can be named with --port. With
// --emulator-link only the path the dialog looks for the emulator at, so that
// scripts start the emulator where the window will find it.

#include "Commands.h"
#include "device/PortDiscovery.h"

namespace tonvera::cli {

int RunPorts(const CliOptions& o, std::ostream& out)
{
    if (o.emulatorLink) {
        out << EmulatorLink().string() << '\n';
        return ExitOk;
    }
    const auto ports = AvailablePorts("/", EmulatorLink());
    out << (o.json ? PortListJson(ports) : PortListText(ports));
    return ExitOk;
}

} // namespace tonvera::cli
