// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A port that goes away under a command (an unplugged adapter, a device that
// died) is shown once: in status panel 1 and in a box "Achtung". The device
// object has closed the port and counts as stopped by then, so the timer
// goes on polling and reads status 0, as without a device; nothing else of
// the aborted command runs.

#include "model/Dialogs.h"
#include "model/Errors.h"
#include "model/MainForm.h"

namespace tonvera {

inline constexpr const char* PortLostStatus = "Verbindung zum Gerät unterbrochen";

inline void ReportPortLost(MainForm& form)
{
    form.view().setStatusText(StatusPanelHardware, PortLostStatus);
    form.view().repaintStatusBar();
    form.dialogs().messageBox(PortLostStatus, AttentionTitle);
}

// Runs a command that talks to the device; false when the port was lost
// under it (and that was reported).
template <typename F>
bool CatchPortLost(MainForm& form, F&& command)
{
    try {
        command();
        return true;
    } catch (const PortLostError&) {
        ReportPortLost(form);
        return false;
    }
}

} // namespace tonvera
