// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hardware dialog as the core sees it: shown modally; the GUI's dialog
// calls MainCore::InitHardware from its button and from Enter in the port
// box, and returns when the initialisation closes it (or the operator leaves
// it after an error).

namespace tonvera {

class HardwareDialogPort {
public:
    virtual ~HardwareDialogPort() = default;
    virtual void showModal() = 0;
};

} // namespace tonvera
