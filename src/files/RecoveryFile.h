#pragma once
// Where the window keeps the operator's unsaved work against a crash or a
// power loss: one project file in the user's state folder, never beside the
// project. It is written in the project format, atomically, so a crash
// during the write leaves the previous copy.

#include <string>

namespace tonvera {

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

} // namespace tonvera
