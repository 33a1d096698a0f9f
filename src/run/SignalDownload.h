// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The whole signal set to the device: each record evaluated at the current
// variable position, its registers sent, its table uploaded when it changed.

#include <array>

#include "device/SinusValues.h"
#include "device/TTonvera.h"
#include "model/MainForm.h"
#include "run/ProgressPort.h"
#include "run/RunEvents.h"

namespace tonvera {

class SignalDownload {
public:
    SignalDownload(MainForm& form, TTonvera& device) : Form(form), Device(device) {}

    // The record's texts evaluated at the current position, in the order
    // Freq, Ampl, Phase, Start, Dach, RampUp, RampDown (so their messages come
    // in that order); a text that does not evaluate gives -10.
    [[nodiscard]] SinusValues EvaluateSignal(const SinusRecord& record) const;
    // Registers of all eight signals and the tables that changed, signal 0
    // first. A table upload shows its progress in status panel 1 and puts the
    // panel's text back afterwards, and in the progress window, whose
    // "Abbrechen" breaks it off between two blocks and stops the device.
    void DownloadSet();
    // The registers of all eight signals, no tables (the timer's step to the
    // next position).
    void LoadSignals();
    // One slot's table with progress, as the project loader uploads it.
    bool LoadTable(int slot);

    // What the last download sent for the signal of slot 0..7, and whether
    // that signal was in use then.
    [[nodiscard]] const SignalSent& Sent(int slot) const { return SentSignals[static_cast<std::size_t>(slot)]; }
    [[nodiscard]] bool SentInUse(int slot) const { return SentUsed[static_cast<std::size_t>(slot)]; }

    // The window's progress window for the table uploads of these commands
    // and of the hardware search; none in the tool and the module.
    ProgressPort* Window = nullptr;

private:
    // One signal's registers; what went out is kept for Sent.
    void LoadSignal(int slot, const SinusValues& values);

    MainForm& Form;
    TTonvera& Device;
    std::array<SignalSent, SignalSlots> SentSignals{};
    std::array<bool, SignalSlots> SentUsed{};
};

} // namespace tonvera
