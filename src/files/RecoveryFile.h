// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the window keeps the operator's unsaved work against a crash or a
// power loss: one project file in the user's state folder, never beside the
// project. It is written in the project format, atomically, so a crash
// during the write leaves the previous copy.

#include <string>

namespace tonvera {

// Windows open at the same time keep one recovery file each; more than this
// many go without one.
inline constexpr int MaxRecoveryFiles = 8;

// "$XDG_STATE_HOME/tonvera/recovery.tva", or under "$HOME/.local/state" when
// XDG_STATE_HOME is not set or not absolute; empty when neither is usable.
[[nodiscard]] std::string RecoveryFilePath();

// Creates the folder of `path` (and its parents) when missing; false when it
// cannot be made.
[[nodiscard]] bool MakeRecoveryFolder(const std::string& path);

// Removes the file; a missing file is no error.
void RemoveRecoveryFile(const std::string& path);

// True when `path` names a regular file.
[[nodiscard]] bool RecoveryFileExists(const std::string& path);

// The recovery file one window owns while it runs, so a second window never
// overwrites or removes the first one's work. The claim is a lock the
// system lets go of when the process dies, however it dies: the file of a
// crashed window is free to be offered at the next start. The lock sits in
// "<file>.lock", which exists only while a window holds it: the claim
// removes it when it ends, and the next claim removes those that dead
// windows left.
class RecoveryClaim {
public:
    // Claims one of the files `firstPath`, "recovery-2.tva", ... beside it
    // that no running window holds, one with work left in it first. path()
    // is empty when firstPath is, when its folder cannot be made, or when
    // every file is held.
    explicit RecoveryClaim(const std::string& firstPath);
    ~RecoveryClaim();
    RecoveryClaim(const RecoveryClaim&) = delete;
    RecoveryClaim& operator=(const RecoveryClaim&) = delete;

    [[nodiscard]] const std::string& path() const { return Path; }

private:
    std::string Path;
    int LockFd = -1;
};

} // namespace tonvera
