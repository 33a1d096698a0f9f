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

std::string PortOpenMessage(std::string_view name, std::string_view reason)
{
    return "Anschluss " + std::string(name) + " kann nicht geöffnet werden: " + std::string(reason);
}

} // namespace tonvera
