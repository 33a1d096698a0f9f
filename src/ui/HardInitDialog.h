#pragma once
// "Hardware initialisieren": the operator picks or types a port and the
// device is brought up on it.

#include <QDialog>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "run/HardwareDialogPort.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tonvera {

class CommandGuard;

// The names the port list offers: the four classic names, then the serial
// devices that exist (USB adapters, CDC devices) and the emulator's link
// when one is running.
std::vector<std::string> PortChoices(const std::filesystem::path& devDir, const std::filesystem::path& emulatorLink);
// Where ./scripts/run starts the emulator: $XDG_RUNTIME_DIR/tonvera-emu, or
// /tmp/tonvera-emu without a runtime folder.
std::filesystem::path EmulatorLink();

class HardInitDialog : public QDialog, public HardwareDialogPort {
    Q_OBJECT
public:
    HardInitDialog(CommandGuard& guard, QWidget* parent = nullptr);

    QLabel* Label1;
    QComboBox* ComSel;
    QPushButton* Button4;

    // The device work for the port name; it is the device layer's. A
    // missing hook reports that nothing can be initialised.
    std::function<void(const std::string& port)> InitHardwareHook;

    // Refills the list (devices come and go) and keeps the typed text.
    void refreshPorts();

    // Button4Click and Enter in ComSel.
    void InitHardware();

    int exec() override;
    void showModal() override { exec(); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    CommandGuard& Guard;
};

} // namespace tonvera
