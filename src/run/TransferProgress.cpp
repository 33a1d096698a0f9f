// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/TransferProgress.h"

#include <cmath>

namespace tonvera {

std::string TableProgressText(int number, int count, int percent)
{
    return "Lade Tabelle " + std::to_string(number) + " von " + std::to_string(count) + ": " + std::to_string(percent) +
           " %";
}

std::string FirmwareProgressText(int percent) { return "Lade Firmware: " + std::to_string(percent) + " %"; }

std::string SearchProgressText(int attempt, int attempts)
{
    return "Suche Hardware: Versuch " + std::to_string(attempt) + " von " + std::to_string(attempts);
}

TransferProgress::TransferProgress(ProgressPort* window, TTonvera& device) : Window(window), Device(device)
{
    if (!Window)
        return;
    PreviousInterrupted = std::move(Device.Interrupted);
    PreviousAdvanced = std::move(Device.Advanced);
    Device.Interrupted = [this] { return (PreviousInterrupted && PreviousInterrupted()) || ask(); };
    Device.Advanced = [this](int percent) {
        if (PreviousAdvanced)
            PreviousAdvanced(percent);
        show(percent);
    };
    PreviousLineHook = Device.PortHandle().waitHook();
    Device.PortHandle().setWaitHook([this] {
        if (PreviousLineHook)
            PreviousLineHook();
        Window->keepAlive();
    });
    PreviousPauseHook = Device.PauseHandle().waitHook();
    Device.PauseHandle().setWaitHook([this] {
        if (PreviousPauseHook)
            PreviousPauseHook();
        Window->keepAlive();
    });
}

TransferProgress::~TransferProgress()
{
    if (!Window)
        return;
    Device.Interrupted = std::move(PreviousInterrupted);
    Device.Advanced = std::move(PreviousAdvanced);
    Device.PortHandle().setWaitHook(std::move(PreviousLineHook));
    Device.PauseHandle().setWaitHook(std::move(PreviousPauseHook));
    Window->endProgress();
}

void TransferProgress::note(const std::string& text, int percent)
{
    if (Window)
        Window->showProgress(text, percent);
}

void TransferProgress::table(int number, int count)
{
    Step = Kind::Table;
    Number = number;
    Count = count;
    show(0);
}

void TransferProgress::attempt(int number, int attempts)
{
    Step = Kind::Firmware;
    if (!Window)
        return;
    Window->showProgress(SearchProgressText(number, attempts),
                         static_cast<int>(std::lround((number - 1) * 100.0 / attempts)));
    if (ask())
        throw TransferInterrupted();
}

void TransferProgress::show(int percent)
{
    if (!Window)
        return;
    Window->showProgress(
        Step == Kind::Table ? TableProgressText(Number, Count, percent) : FirmwareProgressText(percent), percent);
}

bool TransferProgress::ask()
{
    Cancelled = Cancelled || Window->cancelRequested();
    return Cancelled;
}

} // namespace tonvera
