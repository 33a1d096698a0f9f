// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Who else holds a serial port. Serial terminal programs on Linux mark a
// port they use with a UUCP lock file, /var/lock/LCK..ttyUSB0, holding the
// holder's process id as ten ASCII digits and a newline; the program honours
// such files and writes its own, so it and those programs keep out of each
// other's way. A lock whose process no longer exists was left by a crash and
// is removed.
//
// A program that takes no lock (cat, a terminal program without locking) is
// looked for among the open files of the processes in /proc: a process that
// has the device open holds it. Only the processes the user may look into
// are seen (all of them for root); the other end of a pseudo-terminal, which
// holds its slave open as well, does not count.

#include <optional>
#include <string>
#include <sys/types.h>

namespace tonvera {

inline constexpr const char* DefaultLockFolder = "/var/lock";

struct PortHolder {
    pid_t pid = 0;        // 0 when not known
    std::string command;  // from /proc/PID/comm; empty when not known
    std::string lockFile; // the lock that names it, if one does
    bool thisProcess = false;
};

// The lock file of a device, by the last part of its real path:
// "/var/lock/LCK..ttyUSB0".
[[nodiscard]] std::string LockFileOf(const std::string& folder, const std::string& devicePath);

class PortLock {
public:
    explicit PortLock(std::string folder = DefaultLockFolder) : Folder(std::move(folder)) {}
    ~PortLock() { release(); }
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

    // Takes the lock of the device at its real path. Returns who holds it
    // when another process (or another port of this one) does. A folder that
    // cannot take a lock file (missing, read-only, no permission) leaves the
    // port unlocked: the lock only keeps out those who look for it.
    [[nodiscard]] std::optional<PortHolder> acquire(const std::string& devicePath);
    // Removes the lock file written by acquire(), if it still names this
    // process.
    void release();
    [[nodiscard]] bool held() const { return !Held.empty(); }

private:
    std::string Folder;
    std::string Held;
};

// A process other than this one that has the character device `device`
// (its real path and device number) open, not counting the process that
// holds the master side of a pseudo-terminal device.
[[nodiscard]] std::optional<PortHolder> FindPortUser(const std::string& devicePath, dev_t device);

} // namespace tonvera
