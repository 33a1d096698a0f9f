// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/PortErrors.h"

#include <cerrno>
#include <cstring>

namespace tonvera {

std::string PortOpenReason(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO: return "nicht vorhanden";
    case EACCES:
    case EPERM:
    case EROFS: return "keine Berechtigung";
    case EBUSY:
    case EWOULDBLOCK: return "belegt";
    case ENOTTY: return "kein serieller Anschluss";
    default: break;
    }
    const char* name = ::strerrorname_np(error);
    return "Systemfehler " + (name ? std::string(name) : std::to_string(error));
}

std::string PortBusyReason(const PortHolder& holder)
{
    if (holder.thisProcess)
        return PortOpenReason(EBUSY);
    std::string why = PortOpenReason(EBUSY);
    std::string facts;
    if (holder.pid > 0 && !holder.command.empty()) {
        why += " von " + holder.command;
        facts = "PID " + std::to_string(holder.pid);
    } else if (holder.pid > 0) {
        why += " von Prozess " + std::to_string(holder.pid);
    }
    if (!holder.lockFile.empty())
        facts += (facts.empty() ? "" : ", ") + std::string("Sperrdatei ") + holder.lockFile;
    return facts.empty() ? why : why + " (" + facts + ")";
}

std::string PortOpenMessage(std::string_view name, std::string_view reason)
{
    return "Anschluss " + std::string(name) + " kann nicht geöffnet werden: " + std::string(reason);
}

} // namespace tonvera
