#include "device/SleepPause.h"

#include <chrono>
#include <thread>

namespace tonvera {

void SleepPause::pause(int milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace tonvera
