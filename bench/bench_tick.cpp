// SPDX-License-Identifier: GPL-3.0-or-later
// The time the program spends in one 50 ms tick when the device answers at
// once (the emulator without pacing): a stopped device that is only polled,
// and a playing one. Both must stay far below the 50 ms of the timer.

#include <benchmark/benchmark.h>

#include "../tests/support/EmuProcess.h"
#include "../tests/support/FakeView.h"
#include "../tests/support/RecordingDialogs.h"
#include "run/MainCore.h"

namespace {

using namespace tonvera;

void Tick(benchmark::State& state, bool playing)
{
    test::EmuProcess emu;
    test::FakeView view;
    test::RecordingDialogs dialogs;
    MainCore core(view, dialogs);
    if (!core.InitHardware(emu.link())) {
        state.SkipWithError("emulator not found");
        return;
    }
    SinusRecord& r = core.form().Record(0);
    r.Used = true;
    r.SetDefaultTexts();
    r.Freq = "1000";
    if (playing) {
        // Endless, so the run never ends while we measure.
        view.check(CheckBox::Repeated) = true;
        core.StartButtonClick();
    }
    for (auto _ : state)
        core.Timer1Timer();
    if (playing != core.device().Running)
        state.SkipWithError("the run state changed while ticking");
    core.FormClose();
}

void BM_TickStopped(benchmark::State& state) { Tick(state, false); }
void BM_TickPlaying(benchmark::State& state) { Tick(state, true); }

// Wall time: the tick mostly waits for the answers.
BENCHMARK(BM_TickStopped)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_TickPlaying)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace
