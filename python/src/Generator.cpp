// SPDX-License-Identifier: GPL-3.0-or-later
#include "Generator.h"
#include "OrderArgs.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "TimeLimit.h"
#include "device/PortErrors.h"
#include "model/Numbers.h"
#include "run/DeviceSetup.h"
#include "run/RunControl.h"

namespace tonvera::python {

namespace {

constexpr const char* ClosedText = "Hardware nicht initialisiert";
constexpr const char* NoProjectText =
    "Kein Projekt an das Gerät übertragen: goto braucht ein Projekt (project=, download oder play)";

// The value as the tool's message for --timeout names it.
std::string LimitText(double v)
{
    if (std::isnan(v))
        return "nan";
    if (std::isinf(v))
        return v > 0 ? "inf" : "-inf";
    return FormatGeneral(v);
}

} // namespace

Generator::Generator(const std::string& port, const std::optional<std::string>& firmware, const py::handle& cal,
                     ProjectObject* project, py::object progress, const std::optional<std::string>& journal)
    : Port(port), Progress(std::move(progress))
{
    Session = std::make_unique<cli::RunSession>(Out, Err);
    cli::RunSession& s = *Session;
    if (firmware)
        s.core().FirmwareFile() = *firmware;
    std::optional<FileEvent> calFile;
    s.core().state().EichTable = CalibrationFrom(cal, &calFile);
    if (journal) {
        // Absolute now: a script that changes its folder keeps its journal.
        std::error_code ec;
        std::string path = std::filesystem::absolute(*journal, ec).string();
        if (ec)
            path = *journal;
        Log = std::make_unique<Journal>([path] { return path; },
                                        [this](const std::string& text) { journalFailed(text); });
        Log->setPort(port);
        if (calFile)
            Log->fileEvent(*calFile);
        s.core().events().add(*Log);
    }
    // As the tool does for Ctrl-C: a table or firmware upload is broken off
    // between two of its blocks, not finished first (eight tables take more
    // than two minutes on a real line).
    s.core().device().Interrupted = [this] { return interruptRequested(); };
    s.view().StatusObserver = [this](int panel, const std::string& text) {
        if (panel != StatusPanelHardware || Progress.is_none() || Pending)
            return;
        py::gil_scoped_acquire gil;
        try {
            Progress(text);
        } catch (py::error_already_set& e) {
            Pending.emplace(std::move(e));
        }
    };
    // As the window loads its default project before the hardware is set
    // up: "Hardware initialisieren" then downloads this set.
    if (project && !s.adopt(project->value(), true))
        raiseLastError();
    HasProject = project != nullptr;

    bool ready = false;
    {
        py::gil_scoped_release release;
        ready = s.initHardware(port);
    }
    if (ready && !Pending)
        return;
    const bool notFound = s.view().statusText(StatusPanelHardware) != FoundStatus;
    const std::string shown = s.dialogs().errors() > 0 ? s.dialogs().lastError() : std::string();
    // "belegt", also when the line names the program that holds the port.
    const bool busy = s.core().line().openFailure().rfind("belegt", 0) == 0;
    // Closing stops the device, also after an upload that was broken off.
    close();
    if (Pending) {
        py::error_already_set e = std::move(*Pending);
        Pending.reset();
        throw e;
    }
    if (busy)
        throw DeviceBusyError(shown.empty() ? PortOpenMessage(port, "belegt") : shown);
    if (notFound)
        throw DeviceNotFoundError(std::string(NotFoundStatus) + " (" + port + ")" +
                                  (shown.empty() ? "" : ": " + shown));
    throw AbortError(shown.empty() ? std::string(NotFoundStatus) : shown);
}

Generator::~Generator()
{
    try {
        close();
    } catch (...) {
        // A destructor reports nothing; close() itself catches the core's errors.
    }
}

cli::RunSession& Generator::session()
{
    if (!Session)
        throw AbortError(ClosedText);
    return *Session;
}

void Generator::raiseLastError()
{
    const std::string text = Session ? Session->dialogs().lastError() : std::string(ClosedText);
    throw AbortError(text.empty() ? std::string(ClosedText) : text);
}

void Generator::adopt(ProjectObject& project)
{
    if (!session().adopt(project.value(), false))
        raiseLastError();
    HasProject = true;
}

bool Generator::interruptRequested()
{
    if (Pending)
        return TransferBroken = true;
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) {
        Pending.emplace();
        return TransferBroken = true;
    }
    return false;
}

void Generator::journalFailed(const std::string& text)
{
    py::gil_scoped_acquire gil;
    if (PyErr_WarnEx(PyExc_UserWarning, text.c_str(), 1) == 0)
        return;
    // Warnings made errors: the script stops the run as for its callbacks.
    py::error_already_set e;
    if (!Pending)
        Pending.emplace(std::move(e));
}

template <typename F>
void Generator::deviceCommand(F&& command)
{
    try {
        py::gil_scoped_release release;
        command();
    } catch (const TransferInterrupted&) {
        if (!Pending)
            throw;
    }
    raisePending();
}

void Generator::raisePending()
{
    if (!Pending)
        return;
    if (TransferBroken && Session) {
        TransferBroken = false;
        py::gil_scoped_release release;
        try {
            Session->core().device().StopOutput();
        } catch (const AbortError&) {
            // What the script asked for (Ctrl-C) matters more than a line
            // that failed meanwhile; the next command reports that.
        }
    }
    py::error_already_set e = std::move(*Pending);
    Pending.reset();
    throw e;
}

void Generator::download(ProjectObject& project)
{
    adopt(project);
    cli::RunSession& s = session();
    deviceCommand([&] { s.core().DownloadSet(); });
}

PlayResult Generator::play(ProjectObject& project, bool variablesFirst, std::optional<double> timeout,
                           py::object onPosition, const py::handle& order, const py::handle& seed)
{
    cli::RunSession& s = session();
    if (timeout && !cli::IsTimeLimit(*timeout))
        throw py::value_error("timeout: '" + LimitText(*timeout) + "' ist keine positive Zahl");
    OrderSetting runOrder = project.value().Globals.Order;
    SetOrder(runOrder, order, seed);
    adopt(project);
    s.view().setPriority(variablesFirst ? Priority::Variablezuerst : Priority::Wiederzuerst);
    s.view().setOrder(runOrder);

    // The tool's rules for --timeout: one beyond what the clock counts is
    // no limit.
    using Clock = std::chrono::steady_clock;
    const double limit = timeout ? *timeout : s.defaultTimeLimit();
    auto next = Clock::now();
    const std::optional<Clock::time_point> deadline = cli::DeadlineAfter(limit, next);

    int reported = -1;
    cli::TickClock clock;
    clock.waitTick = [&] {
        {
            // Between two ticks the script gets its turn: Ctrl-C, and the
            // position the device plays now.
            py::gil_scoped_acquire gil;
            if (!Pending && PyErr_CheckSignals() != 0)
                Pending.emplace();
            const int pos = s.core().state().VariPos;
            if (!Pending && !onPosition.is_none() && pos != reported) {
                reported = pos;
                try {
                    onPosition(pos);
                } catch (py::error_already_set& e) {
                    Pending.emplace(std::move(e));
                }
            }
        }
        next += std::chrono::milliseconds(50);
        const auto now = Clock::now();
        if (next < now)
            next = now;
        std::this_thread::sleep_until(next);
    };
    clock.stopRequested = [&] { return Pending.has_value(); };
    clock.timedOut = [&] { return deadline && Clock::now() >= *deadline; };

    cli::RunEnd end = cli::RunEnd::Failed;
    {
        py::gil_scoped_release release;
        end = s.play(clock);
    }

    const cli::RunRecord& record = s.record();
    PlayResult result;
    for (const PresentationStarted& p : record.Presentations) {
        Presentation& shown = result.presentations.emplace_back(Presentation{p, std::nullopt});
        for (const PresentationEnded& e : record.Ends)
            if (e.Number == p.Number)
                shown.Ended = e;
    }
    result.clamped = s.core().device().EichError || (record.Ended && record.Ended->Clamped);
    result.overflow = s.core().state().OverflowSeen || (record.Ended && record.Ended->Overflow);
    if (s.view().isChecked(CheckBox::varcheck) && s.core().run().order().Kind == OrderKind::Random)
        result.seed = s.core().run().order().Seed;
    s.finishWarnings();

    // A stop or Ctrl-C between ticks has given the window's Stop already;
    // one that broke Start's upload off is stopped by raisePending.
    raisePending();
    // Said in a message box, not an error box: the tick noticed it.
    if (end == cli::RunEnd::Failed && record.Ended && record.Ended->Reason == EndReason::DeviceSilent)
        throw AbortError(DeviceSilentText);
    if (end == cli::RunEnd::Failed)
        raiseLastError();
    if (end == cli::RunEnd::TimedOut)
        throw TimeLimitError("Zeitlimit von " + FormatGeneral(limit) + " s erreicht: Lauf angehalten");
    return result;
}

void Generator::start()
{
    cli::RunSession& s = session();
    deviceCommand([&] { s.core().StartButtonClick(); });
}

void Generator::stop()
{
    cli::RunSession& s = session();
    deviceCommand([&] { s.core().Button4Click(); });
}

int Generator::status()
{
    cli::RunSession& s = session();
    py::gil_scoped_release release;
    return s.core().device().ReadStatus();
}

int Generator::position() const
{
    if (!Session)
        throw AbortError(ClosedText);
    return Session->core().state().VariPos;
}

void Generator::gotoPosition(int position)
{
    cli::RunSession& s = session();
    // The positions are those of a project the device has; the session's
    // own start-up project has none to step through.
    if (!HasProject)
        throw AbortError(NoProjectText);
    MainCore& core = s.core();
    const int positions = std::max(1, core.run().PositionCount());
    if (position < 1 || position > positions)
        throw ListIndexError(position);
    // The window's << and >>, one step at a time.
    deviceCommand([&] {
        while (core.state().VariPos != position) {
            const int before = core.state().VariPos;
            if (before < position)
                core.Button6Click();
            else
                core.Button5Click();
            if (core.state().VariPos == before)
                break;
        }
    });
}

void Generator::close()
{
    if (!Session)
        return;
    {
        py::gil_scoped_release release;
        Session->close();
        // The stop's end lines are in; the journal syncs as it goes.
        if (Log) {
            Session->core().events().remove(*Log);
            Log.reset();
        }
    }
    Session.reset();
    // A journal warning made an error while the device stopped.
    raisePending();
}

std::vector<std::string> Generator::messages() const
{
    return Session ? Session->dialogs().messages() : std::vector<std::string>{};
}

} // namespace tonvera::python
