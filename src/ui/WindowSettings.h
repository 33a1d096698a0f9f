// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window remembers between starts, in the user's settings file
// (QSettings, organisation and application "tonvera": on Linux
// $XDG_CONFIG_HOME/tonvera/tonvera.conf), never beside a project: the folder
// the file dialogs used last, the port last initialised successfully and
// where the journal goes.

#include <QString>
#include <string>

class QDateTime;

namespace tonvera {

// The folder of the file last chosen in a file dialog; empty when none.
[[nodiscard]] QString LastFileFolder();
void RememberFileFolder(const QString& chosenFile);

// The port the device was last found on; "COM3:" when none.
[[nodiscard]] std::string LastPort();
void RememberPort(const std::string& port);

// The journal: on unless the operator switched it off, in the folder chosen
// or else $XDG_DATA_HOME/tonvera/protokoll (~/.local/share when unset).
[[nodiscard]] QString DefaultJournalFolder();
[[nodiscard]] QString JournalFolder();
[[nodiscard]] bool JournalEnabled();
// The default folder is not stored, so it follows $XDG_DATA_HOME.
void RememberJournal(const QString& folder, bool enabled);
// The file of the day of `moment` in `folder`: "<folder>/YYYY-MM-DD.tsv".
[[nodiscard]] std::string JournalDayFile(const QString& folder, const QDateTime& moment);

} // namespace tonvera
