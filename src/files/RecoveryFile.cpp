#include "files/RecoveryFile.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

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

namespace {

std::string NumberedPath(const std::string& firstPath, int number)
{
    if (number == 1)
        return firstPath;
    fs::path p(firstPath);
    return (p.parent_path() / (p.stem().string() + "-" + std::to_string(number) + p.extension().string())).string();
}

// The lock beside the file, not the file itself: the file is replaced on
// every atomic write, and a lock on the replaced one would guard nothing.
int LockFree(const std::string& path)
{
    const int fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

RecoveryClaim::RecoveryClaim(const std::string& firstPath)
{
    if (firstPath.empty() || !MakeRecoveryFolder(firstPath))
        return;
    struct Free {
        std::string path;
        int fd;
    };
    std::vector<Free> free;
    for (int n = 1; n <= MaxRecoveryFiles; ++n) {
        std::string path = NumberedPath(firstPath, n);
        if (const int fd = LockFree(path); fd >= 0)
            free.push_back({std::move(path), fd});
    }
    if (free.empty())
        return;
    std::size_t chosen = 0;
    for (std::size_t i = 0; i < free.size(); ++i)
        if (RecoveryFileExists(free[i].path)) {
            chosen = i;
            break;
        }
    for (std::size_t i = 0; i < free.size(); ++i)
        if (i != chosen)
            ::close(free[i].fd);
    Path = free[chosen].path;
    LockFd = free[chosen].fd;
}

RecoveryClaim::~RecoveryClaim()
{
    if (LockFd >= 0)
        ::close(LockFd);
}

} // namespace tonvera
