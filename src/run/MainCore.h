// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's core without its toolkit: the signal set (MainForm), the
// device on its serial line, the run control, the signal download and the
// device set-up. The Qt main window and the headless tool hold one MainCore
// and forward their events to it; every command here may throw AbortError,
// which the caller's one guard shows in the error box.

#include <memory>
#include <optional>
#include <string>

#include "device/Pause.h"
#include "device/SerialLine.h"
#include "device/TTonvera.h"
#include "files/FileCommands.h"
#include "model/Dialogs.h"
#include "model/MainForm.h"
#include "model/MainView.h"
#include "run/CommandGate.h"
#include "run/DeviceSetup.h"
#include "run/HardwareDialogPort.h"
#include "run/RunControl.h"
#include "run/RunEvents.h"
#include "run/RunLoadHooks.h"
#include "run/SignalDownload.h"

namespace tonvera {

class MainCore {
public:
    // The program: the real serial port and real sleeps.
    MainCore(MainView& view, Dialogs& dialogs);
    // Tests and tools: a line and a pause of their own (they must outlive
    // the core).
    MainCore(MainView& view, Dialogs& dialogs, SerialLine& line, Pause& pause);
    ~MainCore();
    MainCore(const MainCore&) = delete;
    MainCore& operator=(const MainCore&) = delete;

    MainForm& form() { return Form; }
    MainState& state() { return Form.state(); }
    TTonvera& device() { return Device; }
    SerialLine& line() { return *Line; }
    RunControl& run() { return Run; }
    // What happened: presentations, positions, the end of a run, files.
    RunEvents& events() { return Events; }
    // Project and calibration files; a project load runs the run layer's
    // after-load steps (external start, table upload, Enter action).
    FileCommands& files() { return Files; }
    ProjectLoadHooks& loadHooks() { return Hooks; }

    // The start-up after the model's "Neu": status panels 2 and 3 emptied,
    // then the calibration file and the project, each when named. An error
    // in a file ends it there (the project is then not loaded). True when a
    // named project was loaded, or none was named. The window and tonvera-cli
    // both start through here.
    bool StartUp(const std::optional<std::string>& calFile, const std::optional<std::string>& projectFile);
    // The main window's start-up: "default.cal" and "default.tva" from the
    // working directory when they exist. The port is closed, so nothing is
    // sent.
    void FormCreate();

    // --- Run control ---------------------------------------------------------
    void StartButtonClick() { Run.StartButtonClick(); } // "S&tart"
    void Button4Click() { Run.Button4Click(); }         // "Sto&p"
    // The 50 ms timer tick; the GUI calls it while the view's timer is on.
    void Timer1Timer() { Run.Timer1Timer(); }   // Timer1, every 50 ms
    void Button5Click() { Run.Button5Click(); } // "<<"
    void Button6Click() { Run.Button6Click(); } // ">>"
    // After the check box "Externes Starten" changed by the operator.
    void ExternStartClick() { Run.ExternStartClick(); } // "Externes Starten"
    // The display shows a new signal length (sent while the device is idle).
    void SignalLengthShown(double length) { Run.SignalLengthShown(length); }

    // --- Device --------------------------------------------------------------
    // The whole set to the device at the current position.
    void DownloadSet();
    // One signal's table after a project load cleared the cache.
    bool LoadTable(int slot);
    // The window's progress window for table uploads and the hardware
    // search (the tool and the module have none).
    void setProgressWindow(ProgressPort* window) { Download.Window = window; }
    // "&Hardware" of "&Einstellungen": the GUI passes its dialog; the
    // dialog's button calls InitHardware with the port name typed or chosen.
    void Hardware1Click(HardwareDialogPort& dialog); // "&Hardware" of "&Einstellungen"
    bool InitHardware(const std::string& portName);
    // The firmware image for the boot loader ("signal_pqz.hex" in the
    // working directory by default).
    std::string& FirmwareFile() { return Setup.FirmwareFile; }

    // --- Shutdown --------------------------------------------------------------
    // Closing the main window: the device stops, the port closes. Nothing is
    // saved.
    void FormClose(); // the main window's close box
    // "&Beenden": the same as closing the window.
    void Beenden1Click() { FormClose(); } // "&Beenden" of "&Datei"

private:
    MainCore(MainView& view, Dialogs& dialogs, std::unique_ptr<SerialLine> ownLine, std::unique_ptr<Pause> ownPause,
             SerialLine* line, Pause* pause);

    std::unique_ptr<SerialLine> OwnLine;
    std::unique_ptr<Pause> OwnPause;
    SerialLine* Line;
    Pause* Pauser;
    MainForm Form;
    RunEvents Events;
    TTonvera Device;
    CommandGate Gate;
    SignalDownload Download;
    RunControl Run;
    DeviceSetup Setup;
    RunLoadHooks Hooks;
    FileCommands Files;
};

} // namespace tonvera
