// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/RecoveryFile.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

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
// The lock file lives only while a window holds it: the holder removes it
// before it lets go. So a lock taken on a file that was removed meanwhile
// guards nothing either, and the claim is tried again on the path's new file.
int LockFree(const std::string& path)
{
    const std::string lockPath = path + ".lock";
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -1;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(lockPath.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino)
            return fd;
        ::close(fd);
    }
    return -1;
}

// Removes the lock file while it is still held, then lets go.
void Release(const std::string& path, int fd)
{
    ::unlink((path + ".lock").c_str());
    ::close(fd);
}

// The lock file a window left behind when it died: nobody holds it, so it
// goes (a running window's stays).
void RemoveStaleLock(const std::string& path)
{
    const std::string lockPath = path + ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    struct stat held {};
    struct stat named {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && ::stat(lockPath.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
        ::unlink(lockPath.c_str());
    ::close(fd);
}

} // namespace

RecoveryClaim::RecoveryClaim(const std::string& firstPath)
{
    if (firstPath.empty() || !MakeRecoveryFolder(firstPath))
        return;
    // A crashed window's work first, then the first free file; only the
    // one claimed gets a lock file.
    for (const bool withWork : {true, false}) {
        for (int n = 1; n <= MaxRecoveryFiles; ++n) {
            std::string path = NumberedPath(firstPath, n);
            if (withWork && !RecoveryFileExists(path))
                continue;
            if (const int fd = LockFree(path); fd >= 0) {
                Path = std::move(path);
                LockFd = fd;
                break;
            }
        }
        if (LockFd >= 0)
            break;
    }
    for (int n = 1; n <= MaxRecoveryFiles; ++n)
        if (const std::string path = NumberedPath(firstPath, n); path != Path)
            RemoveStaleLock(path);
}

RecoveryClaim::~RecoveryClaim()
{
    if (LockFd >= 0)
        Release(Path, LockFd);
}

} // namespace tonvera
