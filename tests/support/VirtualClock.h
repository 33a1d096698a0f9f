// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A pause that does not sleep: it advances a counter and records every pause,
// so tests of the synchronisation checks run in microseconds and can state
// exactly which pauses were taken. onPause lets a test make things happen
// "during" a pause, e.g. a late byte arriving on a ScriptedLine.

#include <functional>
#include <vector>

#include "device/Pause.h"

namespace tonvera::test {

class VirtualClock : public Pause {
public:
    long long now = 0;       // milliseconds since the clock was made
    std::vector<int> pauses; // every pause, in order
    std::function<void(long long now)> onPause;

    void pause(int milliseconds) override
    {
        pauses.push_back(milliseconds);
        now += milliseconds;
        if (onPause)
            onPause(now);
    }
};

} // namespace tonvera::test
