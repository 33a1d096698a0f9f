// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What happened, as the run layer tells it: a presentation started or
// ended, the position changed, a run ended and how, a file was loaded or
// saved. The window, the tool, the Python module and the journal listen
// here instead of reading back message texts, counters or the timer.
//
// Listeners are told on the thread of the command, in the order they were
// added, while the command runs: a listener must not throw and must not
// call back into the core.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "files/FileEvent.h"

namespace tonvera {

// A moment on both clocks: the wall clock for the operator ("2026-12-09T
// 10:42:07.123+01:00"), the monotonic clock (seconds) for intervals and for
// comparing with other processes on this machine.
struct Stamp {
    std::string Wall;
    double Monotonic = 0.0;
};

// One signal as the device got it.
struct SignalSent {
    int Slot = 0; // 0..7
    std::int32_t Type = 0;
    double FreqHz = 0.0;
    double Phase = 0.0; // degrees, as typed (the device gets it at the start time)
    // dB, as the parameter asks and as sent after the calibration; -1 is mute.
    double AttenuationRequested = 0.0;
    double AttenuationSent = 0.0;
    // The calibration asked for less than 0 dB and was held at 0 dB.
    bool Clamped = false;
    double StartMs = 0.0;
    double PlateauMs = 0.0;
    double RiseMs = 0.0;
    double FallMs = 0.0;
};

// The values of the whole set as they were last sent.
struct GlobalsSent {
    double LengthMs = 0.0;
    double TriggerStartMs = 0.0;
    double TriggerStopMs = 0.0;
    double EndDampDb = 0.0;
    std::int32_t Repetitions = 0;
    bool Endless = false;
};

struct PresentationStarted {
    long Run = 0;    // runs since the core came up, from 1
    long Number = 0; // presentations of this run, from 1
    int Position = 0;
    // When the start packet had left this computer.
    Stamp At;
    std::vector<SignalSent> Signals; // the signals in use, by slot
    GlobalsSent Globals;
    // Every variable's name and its value text at this position.
    std::vector<std::pair<std::string, std::string>> Variables;
    // The run's order of the positions, "Reihenfolge zufällig, Startwert 7".
    std::string Order;
};

// How a presentation or a run came to an end.
enum class EndReason {
    DeviceEnd,     // the device reported the end of the signal
    Stopped,       // the operator's (or the tool's) Stop
    PositionsDone, // the run through the positions is complete
    PortLost,
    DeviceSilent,
    Aborted, // a command aborted with its message
};

struct PresentationEnded {
    long Run = 0;
    long Number = 0;
    int Position = 0;
    Stamp At;
    EndReason Reason = EndReason::DeviceEnd;
    bool Overflow = false; // the device reported overflow while it played
    bool Clamped = false;  // a calibrated level was held at 0 dB
};

struct RunEnded {
    long Run = 0;
    long Presentations = 0;
    Stamp At;
    EndReason Reason = EndReason::DeviceEnd;
    std::string Message; // the abort's text
    bool Overflow = false;
    bool Clamped = false;
    // The run's Stop has shown the overflow and calibration warnings; a
    // front end that ends without the next Start still owes those it did not.
    bool OverflowWarned = false;
    bool ClampWarned = false;
};

enum class PositionCause {
    Back,    // "<<"
    Forward, // ">>"
    Step,    // the run went on to the next position
    Start,   // a run through the positions began at its first
    Restore, // Stop put the position back
};

struct PositionChanged {
    int Position = 0;
    PositionCause Cause = PositionCause::Step;
};

class RunListener {
public:
    virtual ~RunListener() = default;
    virtual void presentationStarted(const PresentationStarted&) {}
    virtual void presentationEnded(const PresentationEnded&) {}
    virtual void runEnded(const RunEnded&) {}
    virtual void positionChanged(const PositionChanged&) {}
    virtual void fileEvent(const FileEvent&) {}
};

class RunEvents {
public:
    void add(RunListener& listener) { Listeners.push_back(&listener); }
    void remove(RunListener& listener) { std::erase(Listeners, &listener); }

    template <typename Method, typename... Args>
    void tell(Method method, const Args&... args) const
    {
        // A copy: a listener may remove itself while it is told.
        const std::vector<RunListener*> now = Listeners;
        for (RunListener* l : now)
            (l->*method)(args...);
    }

private:
    std::vector<RunListener*> Listeners;
};

// Text names of the reasons, as the journal and the tool write them.
[[nodiscard]] const char* EndReasonName(EndReason reason);
// This moment on both clocks, the wall clock in local time with its offset.
[[nodiscard]] Stamp StampNow();

} // namespace tonvera
