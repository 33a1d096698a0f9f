#include "files/RecoveryFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tonvera {

namespace fs = std::filesystem;

std::string RecoveryFilePath()
{
    fs::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && fs::path(state).is_absolute())
        base = state;
    else if (const char* home = std::getenv("HOME"); home && fs::path(home).is_absolute())
        base = fs::path(home) / ".local" / "state";
    else
        return {};
    return (base / "tonvera" / "recovery.tva").string();
}

bool MakeRecoveryFolder(const std::string& path)
{
    std::error_code ec;
    const fs::path folder = fs::path(path).parent_path();
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

void RemoveRecoveryFile(const std::string& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

bool RecoveryFileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

} // namespace tonvera
