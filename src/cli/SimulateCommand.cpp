// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"
#include "ConsoleDialogs.h"
#include "ProjectInput.h"
#include "ProjectSimulation.h"
#include "model/Errors.h"
#include "model/Numbers.h"

namespace tonvera::cli {

int RunSimulate(const CliOptions& o, std::ostream& out, std::ostream& err)
{
    ConsoleDialogs dialogs(err);
    std::optional<Project> read = ReadProjectOrReport(o.files, o.cal, err);
    if (!read)
        return ExitUsage;
    Project& project = *read;
    ApplyOrderOptions(o, project.Globals.Order);
    try {
        const std::optional<SimulatedRun> run = SimulateProject(std::move(project), dialogs);
        if (!run) {
            dialogs.messageBox(SimulationNeedsVariables, AttentionTitle);
            return ExitProblems;
        }
        out << run->caption << '\n';
        for (const SimulatedPosition& p : run->positions)
            out << "Position " << p.position << ": Beginn " << FormatGeneral(p.beginMs) << " ms, Dauer "
                << FormatGeneral(p.lengthMs) << " ms, Trigger " << FormatGeneral(p.triggerStartMs) << " bis "
                << FormatGeneral(p.triggerStopMs) << " ms\n";
        out.flush();
        return ExitOk;
    } catch (const AbortError& e) {
        dialogs.errorBox(e.text());
        return ExitProblems;
    }
}

} // namespace tonvera::cli
