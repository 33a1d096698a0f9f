// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The seven windows of the program, created once in a fixed order: the main
// window first (its start-up work runs before the others exist), then the
// hardware dialog, the block diagram, the variables editor, the simulation,
// the calibration editor and the options dialog. The six others belong to
// the main window and live as long as it does.

#include <functional>
#include <memory>

class QDialog;

namespace tonvera {

class Dialogs;
class HardInitDialog;
class MainWindow;
struct MainWindowHooks;

// The six windows after the main one; the main window knows them too, to
// show them from its menu commands.
struct OwnedWindows {
    HardInitDialog* HardInit = nullptr;
    QDialog* Block = nullptr;
    QDialog* Variablen = nullptr;
    QDialog* SimWin = nullptr;
    QDialog* EichForm = nullptr;
    QDialog* Verschiedenes = nullptr;
    QDialog* Kalibrierassistent = nullptr;
};

struct AppWindows : OwnedWindows {
    std::unique_ptr<MainWindow> MainForm;
};

// Without dialogs the windows show real Qt boxes. `install` puts the other
// layers' work into the main window before its start-up loads the default
// files.
AppWindows CreateWindows(Dialogs* dialogs = nullptr, const std::function<void(MainWindow&)>& install = {});

} // namespace tonvera
