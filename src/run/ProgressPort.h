// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window that shows how far a long device operation is (a table upload,
// the firmware upload, the hardware search) and lets the operator break it
// off. The window implements it; the tool and the module have none, and
// their transfers run as before.

#include <string>

namespace tonvera {

class ProgressPort {
public:
    virtual ~ProgressPort() = default;
    // The operation moved on: the line to show ("Lade Tabelle 3 von 8:
    // 45 %") and how far it is, 0..100.
    virtual void showProgress(const std::string& text, int percent) = 0;
    // Asked between two blocks; the window handles its events meanwhile.
    // True once the operator asked to break the operation off.
    [[nodiscard]] virtual bool cancelRequested() = 0;
    // The line is waiting for the driver in the middle of a block: the
    // window handles its events, the operation goes on.
    virtual void keepAlive() = 0;
    // The operation is over, however it ended.
    virtual void endProgress() = 0;
};

} // namespace tonvera
