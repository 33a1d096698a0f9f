// SPDX-License-Identifier: GPL-3.0-or-later
#include "StopSignal.h"

namespace tonvera::cli {

namespace {

volatile std::sig_atomic_t Stop = 0;

extern "C" void onStopSignal(int) { Stop = 1; }

} // namespace

bool StopRequested() { return Stop != 0; }

void InstallStopHandlers()
{
    struct sigaction sa = {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

} // namespace tonvera::cli
