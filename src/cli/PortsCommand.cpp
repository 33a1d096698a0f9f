// SPDX-License-Identifier: GPL-3.0-or-later
// tonvera-cli ports: the serial ports the hardware dialog offers, each with
// what it is, so the right adapter can be named with --port.

#include "Commands.h"
#include "device/PortDiscovery.h"

namespace tonvera::cli {

int RunPorts(const CliOptions& o, std::ostream& out)
{
    const auto ports = AvailablePorts("/", EmulatorLink());
    out << (o.json ? PortListJson(ports) : PortListText(ports));
    return ExitOk;
}

} // namespace tonvera::cli
