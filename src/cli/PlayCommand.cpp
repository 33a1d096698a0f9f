// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <csignal>
#include <optional>
#include <thread>

#include "Commands.h"
#include "RunSession.h"
#include "TimeLimit.h"
#include "model/Numbers.h"
#include "run/Journal.h"

namespace tonvera::cli {

namespace {

volatile std::sig_atomic_t StopSignal = 0;

extern "C" void onStopSignal(int) { StopSignal = 1; }

// The first Ctrl-C (or SIGTERM) asks for the window's Stop at the next
// tick; the handler then reverts, so a second one ends the tool at once
// (for instance while a table upload blocks the tick for seconds).
void installStopHandlers()
{
    struct sigaction sa = {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

} // namespace

int RunPlay(const CliOptions& o, std::ostream& out, std::ostream& err)
{
    installStopHandlers();
    // Outlives the session that tells it.
    std::optional<Journal> journal;
    RunSession session(out, err);
    if (o.firmware)
        session.core().FirmwareFile() = *o.firmware;
    // Added before the files load, so that the journal names them.
    if (o.journal) {
        const std::string path = *o.journal;
        journal.emplace([path] { return path; },
                        [&err](const std::string& text) { err << "Warnung: " << text << std::endl; });
        journal->setPort(*o.port);
        session.core().events().add(*journal);
    }
    // A table or firmware upload takes seconds to minutes: Ctrl-C breaks it
    // off between two of its blocks.
    session.core().device().Interrupted = [] { return StopSignal != 0; };
    if (!session.load(o.files[0], o.cal))
        return ExitUsage;
    // The window's radio button; a project does not hold it.
    session.view().setPriority(o.priority);
    OrderSetting order = session.view().order();
    ApplyOrderOptions(o, order);
    session.view().setOrder(order);
    if (StopSignal)
        return ExitInterrupted;
    if (!session.initHardware(*o.port)) {
        session.close();
        return StopSignal ? ExitInterrupted : ExitProblems;
    }
    if (StopSignal) {
        session.close();
        return ExitInterrupted;
    }

    using Clock = std::chrono::steady_clock;
    const double limit = o.timeoutSeconds ? *o.timeoutSeconds : session.defaultTimeLimit();
    auto next = Clock::now();
    const std::optional<Clock::time_point> deadline = DeadlineAfter(limit, next);

    TickClock clock;
    clock.waitTick = [&] {
        next += std::chrono::milliseconds(50);
        const auto now = Clock::now();
        // A tick that took longer than its period (a step to the next
        // position sends many packets) is not followed by a burst.
        if (next < now)
            next = now;
        std::this_thread::sleep_until(next);
    };
    clock.stopRequested = [] { return StopSignal != 0; };
    clock.timedOut = [&] { return deadline && Clock::now() >= *deadline; };

    const bool endless = session.endless();
    const RunEnd end = session.play(clock);
    const bool overflow = session.finishWarnings();
    session.close();

    switch (end) {
    case RunEnd::Ended: return overflow ? ExitOverflow : ExitOk;
    case RunEnd::Interrupted:
        out << "Lauf angehalten" << std::endl;
        // An endless run has no other way to end.
        return endless ? (overflow ? ExitOverflow : ExitOk) : ExitInterrupted;
    case RunEnd::TimedOut:
        err << "Zeitlimit von " << FormatGeneral(limit) << " s erreicht: Lauf angehalten" << std::endl;
        return ExitTimeout;
    case RunEnd::Failed: break;
    }
    return ExitProblems;
}

} // namespace tonvera::cli
