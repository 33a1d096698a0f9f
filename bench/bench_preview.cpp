// SPDX-License-Identifier: GPL-3.0-or-later
// The preview window of a 10 s position with eight sounding signals on a
// view 1000 pixels wide: download into the in-process device model, column
// envelopes of the whole run, spectrum of the whole run. It runs after every
// committed change (in a worker) and the envelope again at every zoom step,
// so the whole of it should stay under 50 ms.

#include <benchmark/benchmark.h>

#include <string>

#include "model/SinusRecord.h"
#include "model/TableFill.h"
#include "preview/PreviewSignal.h"

namespace {

using namespace tonvera;
using namespace tonvera::preview;

PreviewInput EightSignals(double seconds)
{
    PreviewInput in;
    const std::string ms = std::to_string(int(seconds * 1000));
    in.globals.Signaldauer = ms;
    in.globals.Triggerstart = "0";
    in.globals.Triggerstop = "100";
    in.globals.EndDamp = "0";
    in.globals.AnzWieder = "1";
    for (int i = 0; i < SignalSlots; ++i) {
        SinusRecord& r = in.state.SinusArray[std::size_t(i)];
        r.SetDefaultTexts();
        r.Used = true;
        r.TabTyp = TypeSinus;
        FillSine(r);
        r.Freq = std::to_string(500 * (i + 1) + 37);
        // Eight at -18 dB stay inside the converter's range even when all
        // peaks meet, as a careful operator sets them.
        r.Ampl = "18";
        r.Start = std::to_string(10 * i);
        r.RampUp = "5";
        r.Dach = std::to_string(int(seconds * 1000) - 200);
        r.RampDown = "5";
    }
    return in;
}

// The steady case: the tables are on the model already (only registers
// change from one edit to the next).
void BM_PreviewTenSecondsEightSignals(benchmark::State& state)
{
    PreviewInput in = EightSignals(10);
    PreviewDevice device;
    if (!device.compute(in).valid)
        state.SkipWithError("the set did not download");
    int edit = 0;
    double sum = 0;
    for (auto _ : state) {
        in.state.SinusArray[0].Freq = std::to_string(500 + (edit++ % 50));
        const PreviewRun run = device.compute(in);
        const auto cols = ColumnsOf(run, 0, double(run.endTick), 1000);
        const Spectrum s = SpectrumOf(run, 0, run.endTick);
        sum += cols[500].high + (s.peaks.empty() ? 0 : s.peaks[0].hz);
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_PreviewTenSecondsEightSignals)->Unit(benchmark::kMillisecond);

// The parts by themselves: a zoom step redraws the columns only.
void BM_PreviewColumns(benchmark::State& state)
{
    PreviewDevice device;
    const PreviewRun run = device.compute(EightSignals(10));
    for (auto _ : state)
        benchmark::DoNotOptimize(ColumnsOf(run, 0, double(run.endTick), 1000));
}
BENCHMARK(BM_PreviewColumns)->Unit(benchmark::kMillisecond);

void BM_PreviewSpectrum(benchmark::State& state)
{
    PreviewDevice device;
    const PreviewRun run = device.compute(EightSignals(10));
    for (auto _ : state)
        benchmark::DoNotOptimize(SpectrumOf(run, 0, run.endTick));
}
BENCHMARK(BM_PreviewSpectrum)->Unit(benchmark::kMillisecond);

// The first preview after opening: eight tables go to the model.
void BM_PreviewFirstDownload(benchmark::State& state)
{
    const PreviewInput in = EightSignals(10);
    for (auto _ : state) {
        PreviewDevice device;
        benchmark::DoNotOptimize(device.compute(in).endTick);
    }
}
BENCHMARK(BM_PreviewFirstDownload)->Unit(benchmark::kMillisecond);

// The worst case of the overflow search: two signals that could exceed the
// range together but cancel (opposite phases), so every tick of the 10 s
// is examined.
void BM_PreviewOverflowSearchWholeRun(benchmark::State& state)
{
    PreviewInput in = EightSignals(10);
    for (int i = 0; i < SignalSlots; ++i) {
        SinusRecord& r = in.state.SinusArray[std::size_t(i)];
        r.Used = i < 2;
        r.Freq = "1000";
        r.Ampl = "0";
        r.Start = "0";
        r.Phase = i == 1 ? "180" : "0";
    }
    PreviewDevice device;
    (void)device.compute(in);
    for (auto _ : state) {
        const PreviewRun run = device.compute(in);
        if (run.firstOverflow)
            state.SkipWithError("the signals were meant to cancel");
    }
}
BENCHMARK(BM_PreviewOverflowSearchWholeRun)->Unit(benchmark::kMillisecond);

} // namespace
