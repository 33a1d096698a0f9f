// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window remembers between starts, in the user's settings file
// (QSettings, organisation and application "tonvera": on Linux
// $XDG_CONFIG_HOME/tonvera/tonvera.conf), never beside a project: the folder
// the file dialogs used last and the port last initialised successfully.

#include <QString>
#include <string>

namespace tonvera {

// The folder of the file last chosen in a file dialog; empty when none.
[[nodiscard]] QString LastFileFolder();
void RememberFileFolder(const QString& chosenFile);

// The port the device was last found on; "COM3:" when none.
[[nodiscard]] std::string LastPort();
void RememberPort(const std::string& port);

} // namespace tonvera
