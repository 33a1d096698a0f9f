// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Hardware initialisieren": the operator picks or types a port and the
// device is brought up on it.

#include <QDialog>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "device/PortDiscovery.h"
#include "run/HardwareDialogPort.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tonvera {

class CommandGuard;

struct PortChoice {
    std::string name;        // what goes into the field and is opened
    std::string description; // what it is, shown beside it in the list
};

// What the port list offers: the four classic names, then the given ports
// (the system's serial ports and the emulator's link, see AvailablePorts).
std::vector<PortChoice> PortChoices(const std::vector<SerialPortInfo>& ports);

class HardInitDialog : public QDialog, public HardwareDialogPort {
    Q_OBJECT
public:
    HardInitDialog(CommandGuard& guard, QWidget* parent = nullptr);

    // The device work for the port name; it is the device layer's. A
    // missing hook reports that nothing can be initialised.
    std::function<void(const std::string& port)> InitHardwareHook;

    // The ports on offer; the system's and the emulator's unless a test
    // gives others.
    std::function<std::vector<SerialPortInfo>()> ListPorts;

    // Refills the list (devices come and go) and keeps the typed text.
    void refreshPorts();

    // Button4Click and Enter in ComSel.
    void InitHardware(); // "Hardware initialisieren"

    int exec() override;
    void showModal() override { exec(); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QLabel* Label1;
    QComboBox* ComSel;
    QPushButton* Button4;

    CommandGuard& Guard;
};

} // namespace tonvera
