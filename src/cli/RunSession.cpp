// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunSession.h"

#include <algorithm>
#include <vector>

#include "device/PortDiscovery.h"
#include "device/PortErrors.h"
#include "device/SerialSupport.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/ParamEvaluator.h"
#include "run/RunControl.h"
#include "model/QuietDialogs.h"

namespace tonvera::cli {

namespace {

// The hardware dialog with its port already typed in: showing it presses
// "Hardware initialisieren" once.
class PortDialog : public HardwareDialogPort {
public:
    PortDialog(MainCore& core, ConsoleDialogs& dialogs, std::string port)
        : Core(core), Dialogs(dialogs), Port(std::move(port))
    {
    }
    void showModal() override
    {
        try {
            Found = Core.InitHardware(Port);
        } catch (const AbortError& e) {
            // The window shows the error box and keeps the dialog open;
            // here nobody could try another port, so the port that could not
            // be opened is named, and why.
            const std::string why = Core.line().openFailure();
            if (why.empty() || Core.line().isOpen()) {
                Dialogs.errorBox(e.text());
                return;
            }
            std::string text = PortOpenMessage(Port, why);
            // A port refused for want of rights also says which group to join.
            if (const auto facts = PortAccessDenied(SerialSupport::PortPath(Port)))
                if (const auto hint = PortPermissionHint(*facts))
                    text += ", " + *hint;
            Dialogs.errorBox(text);
        }
    }
    bool found() const { return Found; }

private:
    MainCore& Core;
    ConsoleDialogs& Dialogs;
    std::string Port;
    bool Found = false;
};

} // namespace

void RunRecord::clear()
{
    Presentations.clear();
    Ends.clear();
    Ended.reset();
    Restarted = false;
    Run = 0;
}

void RunRecord::presentationStarted(const PresentationStarted& p)
{
    if (Run == 0)
        Run = p.Run;
    if (p.Run != Run) {
        Restarted = true;
        return;
    }
    Presentations.push_back(p);
}

void RunRecord::presentationEnded(const PresentationEnded& e)
{
    if (e.Run == Run)
        Ends.push_back(e);
}

void RunRecord::runEnded(const RunEnded& e)
{
    // A Start that aborted before its start packet still ends its run.
    if (Run == 0)
        Run = e.Run;
    if (e.Run == Run && !Ended)
        Ended = e;
}

RunSession::RunSession(std::ostream& out, std::ostream& err)
    : View(&out), Dialogs(err), Out(out), Err(err), Core(std::make_unique<MainCore>(View, Dialogs))
{
    Core->events().add(Record);
}

RunSession::RunSession(std::ostream& out, std::ostream& err, SerialLine& line, Pause& pause)
    : View(&out), Dialogs(err), Out(out), Err(err), Core(std::make_unique<MainCore>(View, Dialogs, line, pause))
{
    Core->events().add(Record);
}

bool RunSession::load(const std::string& project, const std::optional<std::string>& cal)
{
    bool loaded = false;
    return guarded([&] { loaded = Core->StartUp(cal, project); }) && loaded;
}

bool RunSession::adopt(const Project& project, bool freshTables)
{
    Project next{project.State, project.Globals};
    // What a project file does not hold stays as the session has it.
    const MainState& now = Core->state();
    next.State.EichTable = now.EichTable;
    next.State.VariPos = now.VariPos;
    next.State.SavedVariPos = now.SavedVariPos;
    next.State.OverflowSeen = now.OverflowSeen;
    next.State.RepeatsLeft = now.RepeatsLeft;
    next.State.TimeScale = now.TimeScale;
    next.State.CheckParam = now.CheckParam;
    next.State.NoiseSeed = now.NoiseSeed;
    ClampSelectedSignal(next.State);
    // The position may lie beyond the new project's variables.
    const int positions = std::max(1, next.State.VariTable.PositionCount());
    next.State.VariPos = std::clamp(next.State.VariPos, 1, positions);
    return guarded([&] { Core->files().AdoptProject(std::move(next), freshTables); });
}

bool RunSession::initHardware(const std::string& port)
{
    PortDialog dialog(*Core, Dialogs, port);
    const int errorsBefore = Dialogs.errors();
    // The menu command: the dialog, then the stop and the whole set.
    const bool downloaded = guarded([&] { Core->Hardware1Click(dialog); });
    // The window says so only in its status bar; a script reads the error
    // stream.
    if (!dialog.found() && Dialogs.errors() == errorsBefore)
        Err << "Fehler: " << NotFoundStatus << " (" << ConsoleText(QuotedInput(port, 200)) << ")" << std::endl;
    return dialog.found() && downloaded && Dialogs.errors() == errorsBefore;
}

bool RunSession::endless() const { return View.isChecked(CheckBox::Repeated); }

double RunSession::expectedSeconds()
{
    if (endless())
        return 0;
    MainState& st = Core->state();
    QuietDialogs quiet(QuietDialogs::Queries::Accept);
    const bool through = View.isChecked(CheckBox::varcheck);
    const int first = through ? 1 : st.VariPos;
    const int last = through ? std::max(1, Core->run().PositionCount()) : st.VariPos;
    std::vector<std::int32_t> played;
    for (int pos = first; pos <= last; ++pos)
        played.push_back(pos);
    // A list may play a position many times, or some never.
    if (through && View.order().Kind == OrderKind::List) {
        try {
            played = ParseOrderList(View.order().List, Core->run().PositionCount());
        } catch (const AbortError&) {
            // Start will refuse it.
        }
    }
    double ms = 0;
    for (const std::int32_t pos : played) {
        try {
            const ParamEvaluator ev(st.VariTable, pos, quiet);
            const double length = ev.ParamValue(View.editText(EditField::Signaldauer));
            const double repeats = rnd(ev.ParamValue(View.editText(EditField::AnzWieder)));
            ms += std::max(0.0, length) * std::clamp(repeats, 1.0, 255.0);
        } catch (const AbortError&) {
            // The run itself will report it.
        }
    }
    return ms / 1000.0;
}

double RunSession::defaultTimeLimit() { return endless() ? 0.0 : 2 * expectedSeconds() + 30; }

RunEnd RunSession::play(const TickClock& clock)
{
    MainCore& core = *Core;
    Record.clear();
    const bool started = guarded([&] { core.StartButtonClick(); });
    if (!started || Record.Presentations.empty() || Record.Ended) {
        // Start stops the device before anything else, so it is stopped now.
        const bool interrupted = clock.stopRequested && clock.stopRequested();
        const bool lost = Record.Ended && Record.Ended->Reason == EndReason::PortLost;
        return interrupted && !lost ? RunEnd::Interrupted : RunEnd::Failed;
    }
    Out << "Start" << std::endl;
    if (View.isChecked(CheckBox::varcheck) && core.run().order().Kind != OrderKind::Ascending)
        Out << ConsoleText(OrderSummary(core.run().order())) << std::endl;

    for (;;) {
        if (clock.stopRequested && clock.stopRequested()) {
            guarded([&] { core.Button4Click(); });
            return RunEnd::Interrupted;
        }
        if (clock.timedOut && clock.timedOut()) {
            guarded([&] { core.Button4Click(); });
            return RunEnd::TimedOut;
        }
        clock.waitTick();
        if (!View.timerEnabled())
            continue;
        if (!guarded([&] { core.Timer1Timer(); })) {
            guarded([&] { core.Button4Click(); });
            return RunEnd::Failed;
        }
        if (!Record.Ended)
            continue;
        switch (Record.Ended->Reason) {
        case EndReason::DeviceEnd:
        case EndReason::PositionsDone:
        case EndReason::Stopped: break;
        // The tick has shown the loss or the silence, or its error box.
        case EndReason::PortLost:
        case EndReason::DeviceSilent:
        case EndReason::Aborted: return RunEnd::Failed;
        }
        if (Record.Restarted)
            guarded([&] { core.Button4Click(); });
        Out << "Lauf beendet" << std::endl;
        return RunEnd::Ended;
    }
}

bool RunSession::finishWarnings()
{
    MainState& st = Core->state();
    // An ordinary run ends without a Stop, so its warnings would wait for
    // the next Start in the window; there is none here. What the run's Stop
    // showed is not shown twice.
    const bool overflowWarned = Record.Ended && Record.Ended->OverflowWarned;
    const bool clampWarned = Record.Ended && Record.Ended->ClampWarned;
    if (st.OverflowSeen && !overflowWarned)
        Dialogs.messageBox(OverflowWarning, AttentionTitle);
    if (Core->device().EichError && !clampWarned)
        Dialogs.messageBox(EichWarningAtStop, AttentionTitle);
    const bool overflow = st.OverflowSeen || (Record.Ended && Record.Ended->Overflow);
    st.OverflowSeen = false;
    Core->device().EichError = false;
    return overflow;
}

void RunSession::close()
{
    guarded([&] { Core->FormClose(); });
}

} // namespace tonvera::cli
