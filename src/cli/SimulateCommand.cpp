#include "Commands.h"
#include "ConsoleDialogs.h"
#include "ProjectInput.h"
#include "model/Errors.h"
#include "model/Numbers.h"
#include "model/Simulation.h"
#include "model/QuietDialogs.h"

namespace tonvera::cli {

int RunSimulate(const CliOptions& o, std::ostream& out, std::ostream& err)
{
    ConsoleDialogs dialogs(err);
    std::optional<Project> read = ReadProjectOrReport(o.files, o.cal, err);
    if (!read)
        return ExitUsage;
    Project& project = *read;
    try {
        MainState& st = project.State;
        if (!st.VariTable.inUse(0)) {
            dialogs.messageBox("Simulation nur sinnvoll, wenn Variablen verwendet werden!", AttentionTitle);
            return ExitProblems;
        }
        const ProjectGlobals& g = project.Globals;
        Simulation sim(st.VariPos, dialogs, ',');
        sim.Simulate(st.SinusArray, st.VariTable, g.Signaldauer, g.Triggerstart, g.Triggerstop);
        out << sim.Label1Caption() << '\n';

        // Simulate has reported every text that does not evaluate once; the
        // lines below read the same texts again without repeating that.
        QuietDialogs quiet(QuietDialogs::Queries::Accept);
        double begin = 0;
        sim.BeginPositions();
        try {
            while (!sim.PositionsDone()) {
                const double length = sim.GlobalValue(g.Signaldauer, quiet);
                const double trigStart = sim.GlobalValue(g.Triggerstart, quiet);
                const double trigStop = sim.GlobalValue(g.Triggerstop, quiet);
                out << "Position " << st.VariPos << ": Beginn " << FormatGeneral(begin) << " ms, Dauer "
                    << FormatGeneral(length) << " ms, Trigger " << FormatGeneral(trigStart) << " bis "
                    << FormatGeneral(trigStop) << " ms\n";
                begin += length;
                sim.NextPosition();
            }
        } catch (...) {
            sim.EndPositions();
            throw;
        }
        sim.EndPositions();
        out.flush();
        return ExitOk;
    } catch (const AbortError& e) {
        dialogs.errorBox(e.text());
        return ExitProblems;
    }
}

} // namespace tonvera::cli
