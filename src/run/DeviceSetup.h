// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bringing the device up on a port: open, check the packet framing, upload
// the firmware to the boot loader when the device does not answer in
// packets, and report the outcome in status panel 1.

#include <string>

#include "device/TTonvera.h"
#include "model/MainForm.h"
#include "run/CommandGate.h"
#include "run/HardwareDialogPort.h"
#include "run/SignalDownload.h"

namespace tonvera {

inline constexpr const char* FirmwareFileName = "signal_pqz.hex";
inline constexpr const char* SearchingStatus = "Suche Hardware...";
inline constexpr const char* FoundStatus = "Hardware initialisiert";
inline constexpr const char* NotFoundStatus = "Hardware nicht gefunden";

class DeviceSetup {
public:
    static constexpr int MaxUploadAttempts = 11;

    DeviceSetup(MainForm& form, TTonvera& device, SignalDownload& download, CommandGate& gate)
        : Form(form), Device(device), Download(download), Gate(gate)
    {
    }

    // The work of the dialog's button: opens the port (a port that cannot be
    // opened aborts with the range error, panel 1 unchanged), searches the
    // device, uploads the firmware up to 11 times while the framing check
    // fails, and checks once more. True when the device was found; when not,
    // the port is closed again. Nothing happens (false) while another run
    // command (Start, Stop, a tick) is in progress.
    bool InitHardware(const std::string& portName);

    // The menu command: timer off, device stopped and closed, the dialog,
    // then the device stopped and the whole set downloaded; the timer is on
    // again afterwards, also when the download was aborted.
    void Hardware1Click(HardwareDialogPort& dialog); // "&Hardware" of "&Einstellungen"

    // Looked up in the working directory unless a path is given.
    std::string FirmwareFile = FirmwareFileName;

private:
    bool SearchDevice(const std::string& portName);

    MainForm& Form;
    TTonvera& Device;
    SignalDownload& Download;
    CommandGate& Gate;
};

} // namespace tonvera
