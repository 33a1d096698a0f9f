// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run as the operator plays it in the window, without the window:
// project (and calibration) loaded, "Hardware initialisieren" on a port,
// Start, then the 50 ms tick until the run has ended, all through the same
// MainCore the window drives. `play` waits for each tick on the wall clock;
// `render` on the virtual clock of an in-process device.
//
// When has a run ended?
//  - an ordinary run (not "Durchlaufen"): the tick saw status bit 3 and
//    sent the stop, so the device is no longer running;
//  - a run through the variables: the tick called Stop after the last
//    position (and the last repetition);
//  - an endless run ("Unendlich"): never by itself; only the time limit or
//    an interrupt ends it, with the window's Stop.
// The core's run events tell which of these it was. A tick that starts a
// new run by the external input also ends the run that was followed; that
// new run is stopped again at once.

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "CliOptions.h"
#include "ConsoleDialogs.h"
#include "ConsoleView.h"
#include "files/ProjectFile.h"
#include "run/CommandGuard.h"
#include "run/MainCore.h"

namespace tonvera::cli {

enum class RunEnd {
    Ended,       // the run ended by itself
    Interrupted, // stopRequested() said so; the window's Stop was given
    TimedOut,    // timedOut() said so; the window's Stop was given
    Failed,      // a command was aborted; its error box was shown
};

struct TickClock {
    // Blocks until the next 50 ms tick is due.
    std::function<void()> waitTick;
    std::function<bool()> stopRequested;
    std::function<bool()> timedOut;
};

// What the core told of the run being played.
class RunRecord : public RunListener {
public:
    // Forgets the last run: the next presentation begins the one followed.
    void clear();
    void presentationStarted(const PresentationStarted& p) override;
    void presentationEnded(const PresentationEnded& e) override;
    void runEnded(const RunEnded& e) override;

    // The presentations of the run followed, in order, with how each ended.
    std::vector<PresentationStarted> Presentations;
    std::vector<PresentationEnded> Ends;
    // How the run followed ended, once it has.
    std::optional<RunEnded> Ended;
    // A presentation of another run began after it (the external input).
    bool Restarted = false;

private:
    long Run = 0;
};

class RunSession {
public:
    RunSession(std::ostream& out, std::ostream& err);
    // On a line of the caller's (render); the line and pause must outlive this.
    RunSession(std::ostream& out, std::ostream& err, SerialLine& line, Pause& pause);

    MainCore& core() { return *Core; }
    ConsoleView& view() { return View; }
    ConsoleDialogs& dialogs() { return Dialogs; }

    // Calibration first, then the project, as the window loads its default
    // files. False (the error written) when a file cannot be loaded.
    bool load(const std::string& project, const std::optional<std::string>& cal);
    // A project value instead of a file, with the session's calibration
    // table kept; false (the error box shown) when the steps after a load
    // abort. freshTables as FileCommands::AdoptProject.
    bool adopt(const Project& project, bool freshTables);
    // The hardware dialog's work on this port; false (reported) when the
    // port cannot be opened or no device answers.
    bool initHardware(const std::string& port);
    // Start, then ticks until the run ends; the device is stopped whenever
    // this returns something other than Ended.
    RunEnd play(const TickClock& clock);
    // Closing the window: the device stops, the port closes.
    void close();

    [[nodiscard]] bool endless() const;
    // The run's expected length in seconds, from the length, the repetitions
    // and the positions it will play (0 for an endless run).
    double expectedSeconds();
    // The time limit of a run without one given: none (0) for an endless
    // run; otherwise twice its expected length and half a minute more,
    // far beyond any real run, so a device that stopped answering is not
    // waited for for ever.
    double defaultTimeLimit();
    // Overflow was reported during the run (also when its warning was
    // already shown by Stop); reports what the window still owes.
    bool finishWarnings();
    // What the core told of the last run played.
    const RunRecord& record() const { return Record; }

private:
    // Runs a core command inside the same guard as the window's: an
    // aborted command shows its error box; returns false then.
    bool guarded(const std::function<void()>& command) { return Guard.run(command); }

    ConsoleView View;
    ConsoleDialogs Dialogs;
    CommandGuard Guard{[this](const std::string& text) { Dialogs.errorBox(text); }};
    std::ostream& Out;
    std::ostream& Err;
    std::unique_ptr<MainCore> Core;
    RunRecord Record;
};

} // namespace tonvera::cli
