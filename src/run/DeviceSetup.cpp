// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/DeviceSetup.h"

#include "run/PortLoss.h"
#include "run/StatusProgress.h"
#include "run/TransferProgress.h"

namespace tonvera {

bool DeviceSetup::InitHardware(const std::string& portName)
{
    // No tick may poll a port that is being opened or a boot loader that is
    // taking its firmware. The menu command switches the timer off as well;
    // the gate keeps every other caller honest.
    CommandGate::Scope scope(Gate);
    if (!scope.entered())
        return false;
    bool found = false;
    CatchPortLost(Form, [&] { found = SearchDevice(portName); });
    return found;
}

bool DeviceSetup::SearchDevice(const std::string& portName)
{
    MainView& view = Form.view();
    // The framing checks against a device that does not answer take seconds;
    // the progress window stays alive through them.
    TransferProgress transfer(Download.Window, Device);
    transfer.note(SearchingStatus, 0);
    Device.OpenDevice(portName);
    view.setStatusText(StatusPanelHardware, SearchingStatus);
    view.repaintStatusBar();

    {
        StatusProgress progress(view, Device, false);
        try {
            if (!Device.CheckSync()) {
                int attempts = 0;
                do {
                    transfer.attempt(attempts + 1, MaxUploadAttempts);
                    Device.UploadFirmware(FirmwareFile);
                    ++attempts;
                } while (!(Device.UploadCount < 0 || attempts >= MaxUploadAttempts));
            }
        } catch (const TransferInterrupted&) {
            // A search the operator broke off found nothing: the port is
            // closed again, as after a search that failed.
            if (transfer.cancelled()) {
                view.setStatusText(StatusPanelHardware, NotFoundStatus);
                view.repaintStatusBar();
                Device.CloseDevice();
            }
            throw;
        }
    }

    const bool found = Device.CheckSync();
    view.setStatusText(StatusPanelHardware, found ? FoundStatus : NotFoundStatus);
    view.repaintStatusBar();
    if (!found)
        Device.CloseDevice();
    return found;
}

void DeviceSetup::Hardware1Click(HardwareDialogPort& dialog)
{
    if (Gate.busy())
        return;
    MainView& view = Form.view();
    view.setTimerEnabled(false);
    // The port closes for the dialog also when it was lost meanwhile.
    CatchPortLost(Form, [&] { Device.StopOutput(); });
    Device.CloseDevice();

    // The timer polls again whatever came of the dialog, so the external
    // input is watched also after an aborted download.
    struct TimerOn {
        MainView& view;
        ~TimerOn() { view.setTimerEnabled(true); }
    } timerOn{view};

    dialog.showModal();

    CommandGate::Scope scope(Gate);
    CatchPortLost(Form, [&] {
        Device.StopOutput();
        Download.DownloadSet();
    });
}

} // namespace tonvera
