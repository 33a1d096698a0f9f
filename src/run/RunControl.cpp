// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/RunControl.h"

#include <array>
#include <limits>

#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/ParamTable.h"
#include "run/PortLoss.h"

namespace tonvera {

using namespace protocol;

namespace {

// A tick runs again at once to begin the next pass through the positions.
// With positions that pass plays one, so a second re-run would mean the
// device keeps reporting the end of a run we never started. Without
// positions every pass ends at once and only counts down: the rest of the
// count is taken at the next ticks, while the device still reports the end.
constexpr int MaxPassesPerTick = 2;

} // namespace

double RunControl::Value(EditField field) const { return Form.ParamValue(Form.view().editText(field)); }

std::int32_t RunControl::Repeats() const
{
    const double r = rnd(Value(EditField::AnzWieder));
    if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max()))
        throw RangeError();
    return static_cast<std::int32_t>(r);
}

void RunControl::SendEndDamp()
{
    const double db = SnapToStep(ParamEndDamp, Value(EditField::EndDamp));
    Device.SetEndDamp(db);
    Globals.EndDampDb = db;
}

void RunControl::SendTriggerWindow()
{
    const double start = Value(EditField::Triggerstart);
    const double stop = Value(EditField::Triggerstop);
    Device.SetTriggerWindow(start, stop);
    Globals.TriggerStartMs = start;
    Globals.TriggerStopMs = stop;
}

void RunControl::SendSignalLength(bool flag)
{
    const double length = Value(EditField::Signaldauer);
    Device.SetSignalLength(flag, length);
    Globals.LengthMs = length;
}

void RunControl::SendRepetitions(std::int32_t n, bool endless)
{
    Device.SetRepetitions(n, endless);
    Globals.Repetitions = n;
    Globals.Endless = endless;
}

void RunControl::SignalLengthShown(double length)
{
    if (Device.Running)
        return;
    Device.SetSignalLength(Form.view().isChecked(CheckBox::Repeated), length);
    Globals.LengthMs = length;
}

int RunControl::PositionCount() const { return Form.state().VariTable.PositionCount(); }

void RunControl::ShowPosition()
{
    Form.view().setAktVarText(std::to_string(Form.state().VariPos));
    std::string presentation;
    if (Device.Running && Form.view().isChecked(CheckBox::varcheck)) {
        const bool ascending = Order.Kind == OrderKind::Ascending;
        presentation = PresentationText(ascending ? Form.state().VariPos : Sequence.presentation(),
                                        ascending ? PositionCount() : std::int32_t(Sequence.pass().size()));
    }
    Form.view().setPresentationText(presentation);
    Form.view().repaintSignalDisplay();
}

void RunControl::BeginOrder()
{
    Order = ResolveOrder(Form.view().order(), PositionCount());
    Sequence = Order.sequence(PositionCount());
    Form.view().setDrawnSeedText(Order.SeedDrawn ? std::to_string(Order.Seed) : "");
}

std::optional<std::int32_t> RunControl::NextPosition()
{
    if (Order.Kind != OrderKind::Ascending)
        return Sequence.next();
    if (Form.state().VariPos < PositionCount())
        return Form.state().VariPos + 1;
    return std::nullopt;
}

template <typename F>
void RunControl::Command(F&& command)
{
    try {
        if (!CatchPortLost(Form, command) && RunActive)
            EndRun(EndReason::PortLost);
    } catch (const AbortError& e) {
        if (RunActive)
            EndRun(EndReason::Aborted, e.text());
        throw;
    }
}

void RunControl::StartButtonClick()
{
    CommandGate::Scope scope(Gate);
    if (scope.entered())
        Command([&] { Start(); });
}

void RunControl::Button4Click()
{
    CommandGate::Scope scope(Gate);
    if (scope.entered())
        Command([&] { Stop(EndReason::Stopped); });
}

void RunControl::RunStopped()
{
    if (RunActive)
        EndRun(EndReason::Stopped);
}

void RunControl::SetPosition(int position, PositionCause cause)
{
    MainState& st = Form.state();
    if (st.VariPos == position)
        return;
    st.VariPos = position;
    Events.tell(&RunListener::positionChanged, PositionChanged{position, cause});
}

void RunControl::BeginPresentation(const Stamp& at)
{
    PresentationStarted p;
    p.Run = Runs;
    p.Number = ++Presentations;
    p.Position = Form.state().VariPos;
    p.At = at;
    p.Globals = Globals;
    p.Order = OrderSummary(Order);
    if (Order.Kind == OrderKind::List)
        for (const std::int32_t k : Order.List)
            p.Order += " " + std::to_string(k);
    bool clamped = false;
    for (int i = 0; i < SignalSlots; ++i) {
        if (!Download.SentInUse(i))
            continue;
        p.Signals.push_back(Download.Sent(i));
        clamped = clamped || Download.Sent(i).Clamped;
    }
    const VariTable& table = Form.state().VariTable;
    for (int v = 0; v < table.variableCount(); ++v) {
        std::string value;
        try {
            value = table.ValueText(v, p.Position);
        } catch (const AbortError&) {
            // A variable shorter than the first has no value here.
        }
        p.Variables.emplace_back(table.slot(v)[0], std::move(value));
    }
    PresentationActive = true;
    PresentationPosition = p.Position;
    PresentationOverflow = false;
    PresentationClamped = clamped;
    RunClamped = RunClamped || clamped;
    Events.tell(&RunListener::presentationStarted, p);
}

void RunControl::EndPresentation(EndReason reason)
{
    if (!PresentationActive)
        return;
    PresentationActive = false;
    PresentationEnded e;
    e.Run = Runs;
    e.Number = Presentations;
    e.Position = PresentationPosition;
    e.At = Clock();
    e.Reason = reason;
    e.Overflow = PresentationOverflow;
    e.Clamped = PresentationClamped;
    Events.tell(&RunListener::presentationEnded, e);
}

void RunControl::EndRun(EndReason reason, const std::string& message, bool overflowWarned, bool clampWarned)
{
    EndPresentation(reason);
    RunActive = false;
    RunEnded e;
    e.Run = Runs;
    e.Presentations = Presentations;
    e.At = Clock();
    e.Reason = reason;
    e.Message = message;
    e.Overflow = RunOverflow || Form.state().OverflowSeen;
    // A download during the run (<< or >>) may have clamped too.
    e.Clamped = RunClamped || Device.EichError;
    e.OverflowWarned = overflowWarned;
    e.ClampWarned = clampWarned;
    Events.tell(&RunListener::runEnded, e);
}

void RunControl::Start()
{
    MainState& st = Form.state();
    MainView& view = Form.view();
    if (view.isChecked(CheckBox::varcheck))
        BeginOrder();
    // A Start while a run plays ends it and begins the next.
    if (RunActive)
        EndRun(EndReason::Stopped);
    ++Runs;
    Presentations = 0;
    RunActive = true;
    RunOverflow = false;
    RunClamped = false;
    Device.Realign();
    Device.StopOutput();
    if (st.OverflowSeen)
        Form.dialogs().messageBox(OverflowWarning, AttentionTitle);
    if (Device.EichError)
        Form.dialogs().messageBox(EichWarningAtStart, AttentionTitle);
    st.OverflowSeen = false;
    Device.EichError = false;
    st.SavedVariPos = st.VariPos;

    Device.SetTableMode(TableModeNormal);
    if (Repeats() == 1)
        SendSignalLength(view.isChecked(CheckBox::Repeated));
    else
        SendSignalLength(true);
    SendTriggerWindow();
    SendEndDamp();

    if (view.isChecked(CheckBox::varcheck)) {
        if (view.priority() == Priority::Wiederzuerst) {
            SendRepetitions(Repeats(), false);
            st.RepeatsLeft = 1;
            SendSignalLength(true);
        } else {
            SendRepetitions(1, false);
            st.RepeatsLeft = Repeats();
            SendSignalLength(false);
        }
        SetPosition(Sequence.first(), PositionCause::Start);
    } else if (view.isChecked(CheckBox::Repeated)) {
        SendRepetitions(1, true);
    } else {
        SendRepetitions(Repeats(), false);
    }

    Download.DownloadSet();
    view.setTimerEnabled(true);
    StartConfirmed();
    if (view.isChecked(CheckBox::varcheck))
        ShowPosition();
}

void RunControl::StartConfirmed()
{
    Device.ConfirmAnswers();
    Device.StartOutput();
    // The moment on record is when the start packet had left this
    // computer; what the device makes of it is confirmed before it counts.
    Device.WaitSent();
    const Stamp at = Clock();
    Device.ConfirmAnswers();
    BeginPresentation(at);
}

void RunControl::Stop(EndReason reason)
{
    MainState& st = Form.state();
    Device.StopOutput();
    if (RunActive)
        EndRun(reason, {}, st.OverflowSeen, Device.EichError);
    SetPosition(st.SavedVariPos, PositionCause::Restore);
    if (st.OverflowSeen)
        Form.dialogs().messageBox(OverflowWarning, AttentionTitle);
    st.OverflowSeen = false;
    if (Device.EichError)
        Form.dialogs().messageBox(EichWarningAtStop, AttentionTitle);
    Device.EichError = false;
    ShowPosition();
}

void RunControl::Timer1Timer()
{
    CommandGate::Scope scope(Gate);
    if (scope.entered())
        Command([&] { Tick(); });
}

void RunControl::Tick()
{
    // The earlier program ran the tick again from inside itself to begin the
    // next pass; the passes are taken here in a loop instead, and each pass's
    // external start and status display follow in the order that nesting
    // gave: the inner pass first.
    std::array<std::uint8_t, MaxPassesPerTick> seen{};
    int passes = 0;
    bool again = true;
    while (again && passes < MaxPassesPerTick) {
        const std::uint8_t s = TickStatus();
        if (Silent)
            return;
        if (RunActive && s >= StatusOverflow) {
            PresentationOverflow = true;
            RunOverflow = true;
        }
        seen[static_cast<std::size_t>(passes++)] = s;
        again = Advance(s);
    }
    for (int i = passes - 1; i >= 0; --i)
        Observe(seen[static_cast<std::size_t>(i)]);
}

std::uint8_t RunControl::TickStatus()
{
    // Without a port every reading is 0 after ten 1 ms waits; forty of them
    // in each 50 ms tick would leave the window hardly usable while the timer
    // polls a device that is not there.
    if (!Device.PortHandle().isOpen())
        return 0;
    (void)Device.ReadStatus();
    bool answered = Device.StatusAnswered();
    const std::uint8_t s = Device.ReadStatus();
    answered = answered || Device.StatusAnswered();
    Watch(answered);
    return s;
}

void RunControl::Watch(bool answered)
{
    if (answered) {
        SilentTicks = 0;
        if (Silent) {
            Silent = false;
            Form.view().setStatusText(StatusPanelSignal, "");
            Form.view().repaintStatusBar();
        }
        return;
    }
    if (Silent || ++SilentTicks < SilentTicksLimit)
        return;
    // Without answers every status reads 0: no end, no overflow, "Signal OK"
    // for ever. The run is over instead, and the operator is told once.
    Silent = true;
    Form.view().setStatusText(StatusPanelSignal, DeviceSilentText);
    Form.view().repaintStatusBar();
    Form.dialogs().messageBox(DeviceSilentText, AttentionTitle);
    if (Device.Running)
        Stop(EndReason::DeviceSilent);
    else if (RunActive)
        EndRun(EndReason::DeviceSilent);
}

bool RunControl::Advance(std::uint8_t s)
{
    MainState& st = Form.state();
    MainView& view = Form.view();
    const bool ended = (s & StatusRunEnd) != 0;

    if (ended && view.isChecked(CheckBox::varcheck) && Device.Running) {
        EndPresentation(EndReason::DeviceEnd);
        if (const std::optional<std::int32_t> next = NextPosition()) {
            StepPosition(*next);
            return false;
        }
        st.VariPos = 0;
        if (view.isChecked(CheckBox::Repeated)) {
            // Without a position an endless pass would find the end at once,
            // for ever: the run ends instead.
            if (PositionCount() < 1) {
                Stop(EndReason::PositionsDone);
                return false;
            }
            return true;
        }
        if (view.priority() == Priority::Wiederzuerst) {
            Stop(EndReason::PositionsDone);
            return false;
        }
        SendRepetitions(1, false);
        if (st.RepeatsLeft > 1) {
            --st.RepeatsLeft;
            return true;
        }
        Stop(EndReason::PositionsDone);
        return false;
    }
    if (ended) {
        Device.StopOutput();
        if (RunActive)
            EndRun(EndReason::DeviceEnd);
    }
    return false;
}

void RunControl::StepPosition(std::int32_t next)
{
    MainView& view = Form.view();
    SetPosition(next, PositionCause::Step);
    Device.Realign();
    Download.LoadSignals();
    if (view.priority() == Priority::Wiederzuerst) {
        SendSignalLength(true);
        SendRepetitions(Repeats(), false);
    } else {
        SendSignalLength(false);
        SendRepetitions(1, false);
    }
    SendEndDamp();
    SendTriggerWindow();
    StartConfirmed();
    ShowPosition();
}

void RunControl::Observe(std::uint8_t s)
{
    MainState& st = Form.state();
    MainView& view = Form.view();
    if (!Device.Running && view.isChecked(CheckBox::ExternStart)) {
        const bool input = (s & StatusInput) != 0;
        if (input == st.TastHigh) {
            st.OverflowSeen = false;
            Start();
        }
    }
    if (Device.Running) {
        view.setStatusText(StatusPanelEich, Device.EichError ? EichRangeStatus : "");
        view.setStatusText(StatusPanelSignal, s >= StatusOverflow ? OverflowStatus : SignalOkStatus);
        view.repaintStatusBar();
    }
    st.OverflowSeen = st.OverflowSeen || s >= StatusOverflow;
}

void RunControl::Button5Click()
{
    CommandGate::Scope scope(Gate);
    if (!scope.entered())
        return;
    MainState& st = Form.state();
    if (st.VariPos > 1)
        SetPosition(st.VariPos - 1, PositionCause::Back);
    ShowPosition();
    Command([&] {
        Device.Realign();
        Download.DownloadSet();
    });
}

void RunControl::Button6Click()
{
    CommandGate::Scope scope(Gate);
    if (!scope.entered())
        return;
    MainState& st = Form.state();
    if (st.VariPos < PositionCount())
        SetPosition(st.VariPos + 1, PositionCause::Forward);
    ShowPosition();
    Command([&] {
        Device.Realign();
        Download.DownloadSet();
    });
}

void RunControl::ExternStartClick()
{
    if (Form.view().isChecked(CheckBox::ExternStart))
        Form.view().setTimerEnabled(true);
}

} // namespace tonvera
