// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program speaks German; so must Qt's own texts in it (the buttons of
// the boxes, the file dialogs), whatever the user's locale says.

class QCoreApplication;

namespace tonvera {

// Installs Qt's German translations (qtbase_de, from Qt's translation
// folder) on the application. False when they are not installed: Qt's texts
// then stay English, and everything else works as before.
bool InstallGermanQtTexts(QCoreApplication& app);

} // namespace tonvera
