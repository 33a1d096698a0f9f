// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/SleepPause.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tonvera {

void SleepPause::pause(int milliseconds)
{
    if (milliseconds <= 0)
        return;
    if (!waitHook()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (Clock::time_point now = Clock::now(); now < end; now = Clock::now()) {
        std::this_thread::sleep_until(std::min(end, now + std::chrono::milliseconds(WaitSliceMs)));
        waiting();
    }
}

} // namespace tonvera
