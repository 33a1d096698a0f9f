// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/PortLock.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tonvera {

namespace {

// Closes on every way out.
class Fd {
public:
    explicit Fd(int fd) : Value(fd) {}
    ~Fd()
    {
        if (Value >= 0)
            ::close(Value);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    [[nodiscard]] int get() const { return Value; }

private:
    int Value;
};

// Up to `limit` bytes of a small file; nothing when it cannot be opened.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit, int* error = nullptr)
{
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    std::string text(limit, '\0');
    ssize_t n;
    do
        n = ::read(fd.get(), text.data(), limit);
    while (n < 0 && errno == EINTR);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

// The process id a lock file holds: ten ASCII digits padded with blanks and
// a newline, as every current program writes it; some old ones wrote the
// four bytes of a binary int. 0 for anything else.
pid_t LockPid(const std::string& content)
{
    std::size_t i = content.find_first_not_of(' ');
    long long pid = 0;
    std::size_t digits = 0;
    for (; i < content.size() && content[i] >= '0' && content[i] <= '9' && digits < 10; ++i, ++digits)
        pid = pid * 10 + (content[i] - '0');
    const bool ascii = digits > 0 && (i >= content.size() || content.find_first_not_of(" \n", i) == std::string::npos);
    if (ascii)
        return pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
    if (content.size() == sizeof(int)) {
        int binary = 0;
        content.copy(reinterpret_cast<char*>(&binary), sizeof binary);
        return binary > 0 ? binary : 0;
    }
    return 0;
}

std::string CommandOf(pid_t pid)
{
    std::string comm = ReadSmallFile("/proc/" + std::to_string(pid) + "/comm", 64).value_or(std::string());
    while (!comm.empty() && (comm.back() == '\n' || comm.back() == '\0'))
        comm.pop_back();
    return comm;
}

bool IsPtmx(std::string_view target)
{
    return target == "/dev/ptmx" || (target.size() > 5 && target.substr(target.size() - 5) == "/ptmx");
}

// The index of a Unix98 pseudo-terminal slave (/dev/pts/N), or -1.
long PtyIndex(dev_t device)
{
    const unsigned m = major(device);
    return m >= 136 && m <= 143 ? long(m - 136) * 256 + long(minor(device)) : -1;
}

// The "tty-index" a master side's fdinfo names, or -1.
long MasterIndex(const std::string& fdinfo)
{
    const std::string text = ReadSmallFile(fdinfo, 1024).value_or(std::string());
    const std::size_t at = text.find("tty-index:");
    if (at == std::string::npos)
        return -1;
    std::size_t i = text.find_first_not_of(" \t", at + 10);
    long index = 0;
    bool any = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, any = true)
        index = index * 10 + (text[i] - '0');
    return any ? index : -1;
}

} // namespace

std::string LockFileOf(const std::string& folder, const std::string& devicePath)
{
    const std::size_t slash = devicePath.rfind('/');
    return folder + "/LCK.." + (slash == std::string::npos ? devicePath : devicePath.substr(slash + 1));
}

std::optional<PortHolder> PortLock::acquire(const std::string& devicePath)
{
    release();
    const std::string name = LockFileOf(Folder, devicePath);
    // A few rounds for a lock that was stale, or taken by another program
    // between our look and our link.
    for (int round = 0; round < 3; ++round) {
        int error = 0;
        if (const auto content = ReadSmallFile(name, 64, &error)) {
            const pid_t pid = LockPid(*content);
            if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) {
                // Its process is gone. Removed only if it still says so, not
                // when another program has taken the port meanwhile.
                if (ReadSmallFile(name, 64) == content)
                    ::unlink(name.c_str());
                continue;
            }
            PortHolder h;
            h.pid = pid;
            h.lockFile = name;
            h.thisProcess = pid == ::getpid();
            if (pid > 0)
                h.command = CommandOf(pid);
            return h;
        }
        if (error != ENOENT)
            return PortHolder{0, {}, name, false};

        // Written in full beside it, then linked to its name: the link
        // fails if the name exists, and nobody ever reads a half-written lock.
        const std::string temp = Folder + "/LTMP." + std::to_string(::getpid());
        char line[16];
        const int len = std::snprintf(line, sizeof line, "%10d\n", static_cast<int>(::getpid()));
        bool written = false;
        {
            Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
            // Readable by every program that looks for the holder.
            written = fd.get() >= 0 && ::fchmod(fd.get(), 0644) == 0 && ::write(fd.get(), line, len) == len;
        }
        if (!written) {
            ::unlink(temp.c_str());
            return std::nullopt; // the folder takes no locks: the port goes unlocked
        }
        const int linked = ::link(temp.c_str(), name.c_str());
        const int linkError = errno;
        ::unlink(temp.c_str());
        if (linked == 0) {
            Held = name;
            return std::nullopt;
        }
        if (linkError != EEXIST)
            return std::nullopt;
    }
    return PortHolder{0, {}, name, false};
}

void PortLock::release()
{
    if (Held.empty())
        return;
    if (const auto content = ReadSmallFile(Held, 64); content && LockPid(*content) == ::getpid())
        ::unlink(Held.c_str());
    Held.clear();
}

std::optional<PortHolder> FindPortUser(const std::string& devicePath, dev_t device)
{
    const pid_t self = ::getpid();
    const long ptyIndex = PtyIndex(device);
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return std::nullopt;
    std::optional<PortHolder> found;
    while (!found) {
        const dirent* p = ::readdir(proc);
        if (!p)
            break;
        const std::string_view name(p->d_name);
        if (name.empty() || name.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::strtol(p->d_name, nullptr, 10));
        if (pid == self)
            continue;
        const std::string base = "/proc/" + std::string(name);
        // Another user's process cannot be looked into (unless we are root).
        DIR* fds = ::opendir((base + "/fd").c_str());
        if (!fds)
            continue;
        bool holds = false, master = false;
        while (const dirent* f = ::readdir(fds)) {
            char target[PATH_MAX];
            const ssize_t n = ::readlinkat(::dirfd(fds), f->d_name, target, sizeof target - 1);
            if (n <= 0)
                continue;
            const std::string_view t(target, static_cast<std::size_t>(n));
            if (IsPtmx(t)) {
                master = master || (ptyIndex >= 0 && MasterIndex(base + "/fdinfo/" + f->d_name) == ptyIndex);
                continue;
            }
            // Only device paths are looked at: a stat of any other open file
            // could wait on a network file system.
            if (t != devicePath && t.substr(0, 5) != "/dev/")
                continue;
            struct stat st {};
            if (::fstatat(::dirfd(fds), f->d_name, &st, 0) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == device)
                holds = true;
        }
        ::closedir(fds);
        if (holds && !master)
            found = PortHolder{pid, CommandOf(pid), {}, false};
    }
    ::closedir(proc);
    return found;
}

} // namespace tonvera
