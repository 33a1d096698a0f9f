// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every wait of the device protocol goes through this port, so that unit
// tests can run the synchronisation checks on a virtual clock instead of
// sleeping for seconds.

#include "device/WaitHook.h"

namespace tonvera {

// Its wait hook is called while a real pause sleeps.
class Pause : public WaitHook {
public:
    virtual ~Pause() = default;
    // Blocks the calling thread for the given number of milliseconds.
    virtual void pause(int milliseconds) = 0;
};

} // namespace tonvera
