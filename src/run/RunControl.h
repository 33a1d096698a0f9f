// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Playing the signal set: Start, Stop, the 50 ms polling tick, stepping
// through the variable positions, repetitions and the external start.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "device/TTonvera.h"
#include "model/MainForm.h"
#include "model/PositionOrder.h"
#include "run/CommandGate.h"
#include "run/RunEvents.h"
#include "run/SignalDownload.h"

namespace tonvera {

inline constexpr const char* OverflowWarning = "Letztes Signal hat einen Überlauf erzeugt!";
// The warning at Start has always been spelt this way; operators know it.
inline constexpr const char* EichWarningAtStart = "Ampllitudenfehler durch Eichung bei letztem Signal";
inline constexpr const char* EichWarningAtStop = "Amplitudenfehler durch Eichung bei letztem Signal";
inline constexpr const char* EichRangeStatus = "Amplituden Bereich durch Eichung überschritten!";
inline constexpr const char* OverflowStatus = "Signalüberlauf!";
inline constexpr const char* SignalOkStatus = "Signal OK";
inline constexpr const char* DeviceSilentText = "Das Gerät antwortet nicht mehr";
// Status queries unanswered for this many ticks in a row (a second) mean the
// device has fallen silent.
inline constexpr int SilentTicksLimit = 20;

class RunControl {
public:
    RunControl(MainForm& form, TTonvera& device, SignalDownload& download, CommandGate& gate, RunEvents& events)
        : Form(form), Device(device), Download(download), Gate(gate), Events(events)
    {
    }

    // Each command does nothing while another run command is in progress
    // (a tick that arrives while Start shows its message box). A port lost
    // under a command ends it with the one report of PortLoss.h.
    void StartButtonClick(); // "S&tart"
    void Button4Click();     // "Sto&p"
    void Timer1Timer();      // Timer1, every 50 ms
    // << and >>: one position down or up, then the whole set is downloaded
    // (also when the position stayed, and whether or not a run plays).
    void Button5Click(); // "<<"
    void Button6Click(); // ">>"
    // Checking "Externes Starten" switches the timer on; clearing it does not
    // switch it off.
    void ExternStartClick(); // "Externes Starten"

    // Positions 1..PositionCount(); the values in the variable of slot 0.
    [[nodiscard]] int PositionCount() const;
    // The open port's device has left SilentTicksLimit ticks in a row
    // unanswered; its next answer clears this.
    [[nodiscard]] bool DeviceSilent() const { return Silent; }

    // The order of the run last started through the variables, with its
    // seed (drawn or typed), and where that run stands in its pass.
    [[nodiscard]] const ResolvedOrder& order() const { return Order; }
    [[nodiscard]] const PositionSequence& sequence() const { return Sequence; }

    // The display shows a new signal length: the device holds it too, unless
    // it is playing ("Unendlich" as the period).
    void SignalLengthShown(double length);
    // The window closes or the device is set up afresh while a run plays:
    // the run is over.
    void RunStopped();

    // The clock of the stamps (tests and the in-process device give their own).
    std::function<Stamp()> Clock = StampNow;
    // What the globals were last sent as.
    [[nodiscard]] const GlobalsSent& globalsSent() const { return Globals; }

    // For the project loader's table upload, which runs under the same gate.
    SignalDownload& download() { return Download; }
    CommandGate& gate() { return Gate; }

private:
    // Runs a run command: a lost port is reported, and a run it ends, or
    // one that an abort ends, is told as ended.
    template <typename F>
    void Command(F&& command);
    void Start();
    void Stop(EndReason reason);
    // The presentation whose start packet went out at `at`.
    void BeginPresentation(const Stamp& at);
    void EndPresentation(EndReason reason);
    void EndRun(EndReason reason, const std::string& message = {}, bool overflowWarned = false,
                bool clampWarned = false);
    void SetPosition(int position, PositionCause cause);
    void SendRepetitions(std::int32_t n, bool endless);
    void Tick();
    // The status of a tick: two votes, the second one counts.
    std::uint8_t TickStatus();
    // Step 1 and 2 of a tick with status s; true when the tick is to run again
    // at once (the next pass through the positions).
    bool Advance(std::uint8_t s);
    // Steps 3 to 5: external start, the status panels, the overflow memory.
    void Observe(std::uint8_t s);
    void StepPosition(std::int32_t next);
    void ShowPosition();
    // Takes the order for a run through the variables; a list with an entry
    // that is no position is refused here, before anything is sent.
    void BeginOrder();
    // The position after the current one in the order; none at the end of
    // a pass. Ascending follows VariPos, so << and >> during a run count.
    std::optional<std::int32_t> NextPosition();
    // Counts the ticks the device left unanswered; at the limit the device
    // counts as silent: said once, and the run is over.
    void Watch(bool answered);
    // The start packets, once the registers before them were confirmed.
    void StartConfirmed();

    [[nodiscard]] double Value(EditField field) const;
    // AnzWieder rounded, halves to even; it must fit 32 bits.
    [[nodiscard]] std::int32_t Repeats() const;
    void SendEndDamp();
    void SendTriggerWindow();
    void SendSignalLength(bool flag);

    MainForm& Form;
    TTonvera& Device;
    SignalDownload& Download;
    CommandGate& Gate;
    ResolvedOrder Order;
    PositionSequence Sequence;
    RunEvents& Events;
    int SilentTicks = 0;
    bool Silent = false;

    GlobalsSent Globals;
    long Runs = 0;
    long Presentations = 0;
    bool RunActive = false;
    bool PresentationActive = false;
    int PresentationPosition = 0;
    bool PresentationOverflow = false;
    bool PresentationClamped = false;
    bool RunOverflow = false;
    bool RunClamped = false;
};

} // namespace tonvera
