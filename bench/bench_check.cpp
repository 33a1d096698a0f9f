// SPDX-License-Identifier: GPL-3.0-or-later
// "tonvera-cli check" of a project that steps eight signals through 1000
// variable positions: every parameter evaluated, range-checked and run
// through the device object's encoding at every position, and each position
// downloaded into the device model for what the signals do together. The
// figure to watch is the time for the 1000 positions (aim: well under a
// second).

#include <benchmark/benchmark.h>

#include <string>

#include "ProjectCheck.h"
#include "files/ProjectFile.h"

namespace {

tonvera::Project ThousandPositions()
{
    using namespace tonvera;
    Project p;
    p.Globals.Signaldauer = "100";
    p.Globals.Triggerstart = "0";
    p.Globals.Triggerstop = "10";
    p.Globals.EndDamp = "0";
    p.Globals.AnzWieder = "1";
    p.Globals.check(CheckBox::varcheck) = true;
    std::vector<std::string> freq{"F"};
    for (int k = 1; k <= 1000; ++k)
        freq.push_back(std::to_string(100 + k));
    p.State.VariTable.slot(0) = freq;
    for (int i = 0; i < SignalSlots; ++i) {
        SinusRecord& r = p.State.SinusArray[static_cast<std::size_t>(i)];
        r.SetDefaultTexts();
        r.Used = true;
        r.Freq = std::to_string(i + 1) + "*F";
        r.Start = "1";
        r.RampUp = "2";
        r.RampDown = "2";
    }
    return p;
}

void CheckThousandPositions(benchmark::State& state)
{
    const tonvera::Project p = ThousandPositions();
    for (auto _ : state) {
        auto problems = tonvera::cli::CheckProject(p, tonvera::Priority::Wiederzuerst);
        benchmark::DoNotOptimize(problems);
    }
}
BENCHMARK(CheckThousandPositions)->Unit(benchmark::kMillisecond);

} // namespace
