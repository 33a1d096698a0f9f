// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/RunEvents.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace tonvera {

Stamp StampNow()
{
    Stamp s;
    s.Monotonic = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    localtime_r(&secs, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    // %z gives "+0100"; ISO 8601 as spreadsheets read it wants "+01:00".
    char zone[8];
    std::strftime(zone, sizeof zone, "%z", &local);
    char out[64];
    std::snprintf(out, sizeof out, "%s.%03d%.3s:%.2s", date, static_cast<int>(ms % 1000), zone, zone + 3);
    s.Wall = out;
    return s;
}

const char* EndReasonName(EndReason reason)
{
    switch (reason) {
    case EndReason::DeviceEnd: return "Geräteende";
    case EndReason::Stopped: return "Stop";
    case EndReason::PositionsDone: return "Positionen durchlaufen";
    case EndReason::PortLost: return "Verbindung unterbrochen";
    case EndReason::DeviceSilent: return "Gerät antwortet nicht";
    case EndReason::Aborted: return "abgebrochen";
    }
    return "";
}

} // namespace tonvera
