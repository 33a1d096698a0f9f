// SPDX-License-Identifier: GPL-3.0-or-later
// The simulation plot of a long run: 100 variable positions, eight signals
// whose texts all name variables, a plot 1000 pixels wide. The plot is
// recomputed at every repaint of the window (a resize repaints many times),
// so it should stay well under 50 ms.

#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "model/Canvas.h"
#include "model/QuietDialogs.h"
#include "model/Simulation.h"
#include "model/VariTable.h"

namespace {

using namespace tonvera;

using tonvera::QuietDialogs;

// Counts what would be drawn, so the work cannot be optimised away.
class NullCanvas : public Canvas {
public:
    long ops = 0;
    void setPenColor(Color) override {}
    void setBrushColor(Color) override {}
    void setFontColor(Color) override {}
    void rectangle(int, int, int, int) override { ++ops; }
    void moveTo(int, int) override {}
    void lineTo(int, int) override { ++ops; }
    void setPixel(int x, int y, Color) override { ops += (x ^ y) & 1; }
    void textOut(int, int, const std::string&) override { ++ops; }
    int textWidth(const std::string& t) override { return 6 * static_cast<int>(t.size()); }
    int textHeight(const std::string&) override { return 13; }
};

void BM_SimulationPlot(benchmark::State& state)
{
    constexpr int Positions = 100;
    VariTable vars;
    const char* names[] = {"Dauer", "Start", "Anstieg", "Dach", "Abfall", "Pegel"};
    for (int s = 0; s < 6; ++s)
        vars.slot(s).push_back(names[s]);
    for (int p = 0; p < Positions; ++p) {
        vars.slot(0).push_back(std::to_string(800 + 10 * (p % 7)));
        vars.slot(1).push_back(std::to_string(20 + p % 5));
        vars.slot(2).push_back("5");
        vars.slot(3).push_back(std::to_string(100 + p));
        vars.slot(4).push_back("12,5");
        vars.slot(5).push_back(std::to_string(p % 10));
    }
    SinusArray signals{};
    for (int i = 0; i < SignalSlots; ++i) {
        SinusRecord& r = signals[static_cast<std::size_t>(i)];
        r.Used = true;
        r.Start = std::to_string(i) + "*Start+" + std::to_string(10 * i);
        r.RampUp = "Anstieg";
        r.Dach = "Dach";
        r.RampDown = "Abfall";
        r.Ampl = "Pegel+" + std::to_string(i);
    }

    QuietDialogs dialogs;
    std::int32_t variPos = 1;
    Simulation sim(variPos, dialogs, ',');
    sim.Simulate(signals, vars, "Dauer", "Start", "Dauer-100");

    long ops = 0;
    for (auto _ : state) {
        NullCanvas canvas;
        sim.SimPaintPaint(canvas, 1000, 400);
        ops += canvas.ops;
        benchmark::DoNotOptimize(ops);
    }
    if (!dialogs.texts().empty() || !sim.PaintProblems().empty())
        state.SkipWithError("texts of the benchmark did not evaluate");
    state.counters["positions"] = Positions;
}
BENCHMARK(BM_SimulationPlot)->Unit(benchmark::kMillisecond);

} // namespace
