// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectSimulation.h"

#include <utility>

#include "model/PositionOrder.h"
#include "model/QuietDialogs.h"
#include "model/Simulation.h"

namespace tonvera::cli {

std::optional<SimulatedRun> SimulateProject(Project project, Dialogs& dialogs)
{
    MainState& st = project.State;
    if (!st.VariTable.inUse(0))
        return std::nullopt;
    const ProjectGlobals& g = project.Globals;
    Simulation sim(st.VariPos, dialogs, ',');
    sim.SetOrder(SimulationOrder(g.Order, st.VariTable.PositionCount()));
    sim.Simulate(st.SinusArray, std::move(st.VariTable), g.Signaldauer, g.Triggerstart, g.Triggerstop);
    SimulatedRun run;
    run.totalMs = sim.TotalDuration();
    run.caption = sim.Label1Caption();

    // Simulate has reported every text that does not evaluate once; the
    // positions read the same texts again without repeating that.
    QuietDialogs quiet(QuietDialogs::Queries::Accept);
    double begin = 0;
    sim.BeginPositions();
    try {
        while (!sim.PositionsDone()) {
            SimulatedPosition p;
            p.position = st.VariPos;
            p.beginMs = begin;
            p.lengthMs = sim.GlobalValue(g.Signaldauer, quiet);
            p.triggerStartMs = sim.GlobalValue(g.Triggerstart, quiet);
            p.triggerStopMs = sim.GlobalValue(g.Triggerstop, quiet);
            run.positions.push_back(p);
            begin += p.lengthMs;
            sim.NextPosition();
        }
    } catch (...) {
        sim.EndPositions();
        throw;
    }
    sim.EndPositions();
    return run;
}

} // namespace tonvera::cli
