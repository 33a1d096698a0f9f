// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <csignal>
#include <optional>
#include <thread>

#include "Commands.h"
#include "StopSignal.h"
#include "RunSession.h"
#include "TimeLimit.h"
#include "model/Numbers.h"
#include "run/Journal.h"

namespace tonvera::cli {

int RunPlay(const CliOptions& o, std::ostream& out, std::ostream& err)
{
    InstallStopHandlers();
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
    session.core().device().Interrupted = [] { return StopRequested(); };
    if (!session.load(o.files[0], o.cal))
        return ExitUsage;
    // The window's radio button; a project does not hold it.
    session.view().setPriority(o.priority);
    OrderSetting order = session.view().order();
    ApplyOrderOptions(o, order);
    session.view().setOrder(order);
    if (StopRequested())
        return ExitInterrupted;
    if (!session.initHardware(*o.port)) {
        session.close();
        return StopRequested() ? ExitInterrupted : ExitProblems;
    }
    if (StopRequested()) {
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
    clock.stopRequested = [] { return StopRequested(); };
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
