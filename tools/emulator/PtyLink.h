// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pseudo-terminal the device is served on, and the symbolic link that
// gives its terminal device a fixed name for the program to open.

#include <cstdint>
#include <string>
#include <vector>

namespace tonvera::emutool {

struct Pty {
    int master = -1;
    int slave = -1; // held open so the master never sees a hang-up
    std::string device;
};

// Opens a raw pseudo-terminal; false with `error` set when it cannot.
bool OpenPty(Pty& pty, std::string& error);
// Points `link` at `target`, replacing an old link but never another file.
bool MakeLink(const std::string& link, const std::string& target, std::string& error);
// Removes the link only while it is still ours: another emulator may have
// taken the name over meanwhile.
void RemoveLink(const std::string& link, const std::string& target);
// Writes the device's replies without ever blocking; what does not fit is
// counted in `lost`.
void WriteReplies(int fd, const std::vector<std::uint8_t>& bytes, std::uint64_t& lost);

} // namespace tonvera::emutool
