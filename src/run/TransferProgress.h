// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Long device operations as the progress window shows them. While a
// TransferProgress lives, the device object's block hooks report to the
// window and ask it between two blocks whether the operator pressed
// "Abbrechen"; the device then breaks the transfer off as it does for
// Ctrl-C in the tool (TransferInterrupted), and run() stops the device.
//
// The waits in between keep the window alive too: the serial line's inside a
// block (a driver that takes no more bytes until the wire has caught up) and
// the protocol's pauses (the framing checks of the search take seconds).
//
// The tables are counted per download: "Lade Tabelle 3 von 8" is the third
// of the eight tables this download sends (those that differ from the
// device's cache), not signal 3.

#include <functional>
#include <string>

#include "device/TTonvera.h"
#include "model/Errors.h"
#include "run/ProgressPort.h"

namespace tonvera {

// "Lade Tabelle 3 von 8: 45 %": percent of the current table's blocks.
[[nodiscard]] std::string TableProgressText(int number, int count, int percent);
// "Lade Firmware: 45 %"
[[nodiscard]] std::string FirmwareProgressText(int percent);
// "Suche Hardware: Versuch 4 von 11": the boot-loader attempts of the search.
[[nodiscard]] std::string SearchProgressText(int attempt, int attempts);

class TransferProgress {
public:
    // Without a window (the tool, the module) nothing is hooked and the
    // transfers run exactly as before.
    TransferProgress(ProgressPort* window, TTonvera& device);
    ~TransferProgress();
    TransferProgress(const TransferProgress&) = delete;
    TransferProgress& operator=(const TransferProgress&) = delete;

    // A step without blocks of its own ("Suche Hardware...").
    void note(const std::string& text, int percent);
    // The table upload that follows is number `number` (from 1) of `count`.
    void table(int number, int count);
    // Attempt `number` of `attempts` of the hardware search; its firmware
    // blocks show as "Lade Firmware". The operator may break the search off
    // here (TransferInterrupted).
    void attempt(int number, int attempts);
    // The operator's "Abbrechen" ended the transfer (not Ctrl-C, not a fault).
    [[nodiscard]] bool cancelled() const { return Cancelled; }

    // Runs the transfer. When the operator broke it off the device is
    // stopped before the abort goes on to the error box; an upload broken
    // off has cleared its table's cache slot already, so the next download
    // sends the table again.
    template <typename F>
    void run(F&& transfer)
    {
        try {
            transfer();
        } catch (const TransferInterrupted&) {
            if (Cancelled)
                Device.StopOutput();
            throw;
        }
    }

private:
    enum class Kind { Table, Firmware };
    void show(int percent);
    bool ask();

    ProgressPort* Window;
    TTonvera& Device;
    std::function<bool()> PreviousInterrupted;
    std::function<void(int)> PreviousAdvanced;
    std::function<void()> PreviousLineHook;
    std::function<void()> PreviousPauseHook;
    Kind Step = Kind::Table;
    int Number = 1;
    int Count = 1;
    bool Cancelled = false;
};

} // namespace tonvera
