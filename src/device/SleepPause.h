// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/Pause.h"

namespace tonvera {

// The program's real pause: the user-interface thread sleeps.
class SleepPause final : public Pause {
public:
    void pause(int milliseconds) override;
};

} // namespace tonvera
