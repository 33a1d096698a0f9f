// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A register the device object refused: which one, for which signal, and
// the value it was given. The operator reads the same text as for any
// other range error; the project check reads the fields.

#include "model/Errors.h"

namespace tonvera {

enum class Register {
    Frequency,
    Phase,
    Attenuation,
    Start,
    // Where the fall ramp begins: start + rise + plateau.
    RampDownStart,
    RampUp,
    RampDown,
    SignalLength,
    TriggerStart,
    TriggerStop,
    EndDamp,
    Repetitions,
};

class RegisterRangeError : public RangeError {
public:
    // signal -1: a register of the whole set.
    RegisterRangeError(int signal, Register reg, double value) : Signal(signal), Reg(reg), Value(value) {}
    // A value whose refusal has a text of its own (a phase that needs a
    // period the frequency 0 does not have).
    RegisterRangeError(int signal, Register reg, double value, const std::string& text)
        : RangeError(text), Signal(signal), Reg(reg), Value(value)
    {
    }
    int Signal;
    Register Reg;
    double Value;
};

} // namespace tonvera
