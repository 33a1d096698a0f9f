// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyLink.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <termios.h>
#include <unistd.h>

namespace tonvera::emutool {

namespace fs = std::filesystem;

bool OpenPty(Pty& pty, std::string& error)
{
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pty.master < 0 || ::grantpt(pty.master) != 0 || ::unlockpt(pty.master) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ::ptsname(pty.master);
    if (!name) {
        error = std::string("no terminal device for the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    pty.device = name;
    pty.slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pty.slave < 0) {
        error = "cannot open " + pty.device + ": " + std::strerror(errno);
        return false;
    }
    // Raw on the terminal side, so nothing is echoed or translated before
    // the program configures the port. The program's own settings replace
    // these when it opens the port; they are never set again from here.
    termios t{};
    if (::tcgetattr(pty.slave, &t) == 0) {
        cfmakeraw(&t);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        cfsetispeed(&t, B115200);
        cfsetospeed(&t, B115200);
        ::tcsetattr(pty.slave, TCSANOW, &t);
    }
    // The master side raw as well: nothing of the device's replies is changed.
    if (::tcgetattr(pty.master, &t) == 0) {
        cfmakeraw(&t);
        ::tcsetattr(pty.master, TCSANOW, &t);
    }
    return true;
}

bool MakeLink(const std::string& link, const std::string& target, std::string& error)
{
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(link, ec);
    if (fs::exists(st) && !fs::is_symlink(st)) {
        error = link + " exists and is not a symbolic link; not replacing it";
        return false;
    }
    // Made beside it and renamed over it, so the link is never missing or
    // half-made for a program that looks at it meanwhile.
    const std::string temp = link + ".tmp" + std::to_string(::getpid());
    fs::remove(temp, ec);
    fs::create_symlink(target, temp, ec);
    if (ec) {
        error = "cannot create the link " + link + ": " + ec.message();
        return false;
    }
    fs::rename(temp, link, ec);
    if (ec) {
        fs::remove(temp, ec);
        error = "cannot create the link " + link + ": " + ec.message();
        return false;
    }
    return true;
}

void RemoveLink(const std::string& link, const std::string& target)
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(link, ec)) && fs::read_symlink(link, ec) == target)
        fs::remove(link, ec);
}

// Replies that do not fit the terminal's buffer (nobody has read the earlier
// ones) are lost at once, as on a real line whose receiver overruns; the
// loop must never stall on them while bytes keep coming in.
void WriteReplies(int fd, const std::vector<std::uint8_t>& bytes, std::uint64_t& lost)
{
    std::size_t off = 0;
    while (off < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + off, bytes.size() - off);
        if (n > 0) {
            off += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        lost += bytes.size() - off;
        return;
    }
}

} // namespace tonvera::emutool
