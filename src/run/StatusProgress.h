// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Progress of long transfers in status panel 1. The device object reports
// each step through its Progress callback; the panel is repainted at once,
// since the transfer blocks the event loop.

#include <functional>
#include <string>

#include "device/TTonvera.h"
#include "model/MainView.h"

namespace tonvera {

class StatusProgress {
public:
    // restore: put the panel's text back when the scope ends, if progress was
    // shown (table uploads); the firmware upload leaves its own final text.
    StatusProgress(MainView& view, TTonvera& device, bool restore)
        : View(view), Device(device), Restore(restore), Saved(view.statusText(StatusPanelHardware)),
          Previous(std::move(device.Progress))
    {
        Device.Progress = [this](const std::string& text) {
            View.setStatusText(StatusPanelHardware, text);
            View.repaintStatusBar();
            Shown = true;
        };
    }
    ~StatusProgress()
    {
        Device.Progress = std::move(Previous);
        if (Restore && Shown) {
            View.setStatusText(StatusPanelHardware, Saved);
            View.repaintStatusBar();
        }
    }
    StatusProgress(const StatusProgress&) = delete;
    StatusProgress& operator=(const StatusProgress&) = delete;

private:
    MainView& View;
    TTonvera& Device;
    bool Restore;
    bool Shown = false;
    std::string Saved;
    std::function<void(const std::string&)> Previous;
};

} // namespace tonvera
