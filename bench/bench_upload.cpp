// SPDX-License-Identifier: GPL-3.0-or-later
// One wave table upload against the emulator paced at 115,200 baud: the wall
// time divided by the wire time of its 196,608 bytes (10 bits a byte), i.e.
// how much the program adds to what the line needs. Aim: <= 1.02.
//
//   bench_upload --benchmark_counters_tabular=true
//
// transfer_ratio: until the device has taken the last table word, i.e. the
//   start of the 100 ms pause after which the line was quiet (an upper bound
//   within those 100 ms).
// ratio: the whole LoadTable, with the framing check at its end. That check
//   waits 100 ms for a quiet line and then needs six single bytes 50 ms
//   apart before the first answer, since the table left the device on a
//   packet boundary: about 0.5 s that the protocol fixes.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "../tests/support/EmuProcess.h"
#include "device/SerialSupport.h"
#include "device/SleepPause.h"
#include "device/TTonvera.h"
#include "model/WaveTable.h"

namespace {

using namespace tonvera;
using Clock = std::chrono::steady_clock;

// The real pause, noting when the last quiet-line wait (100 ms) began before
// the framing check's first 50 ms wait.
class NotingPause : public Pause {
public:
    void pause(int ms) override
    {
        if (ms == 100 && !SawFramingWait)
            LastQuietWait = Clock::now();
        if (ms == 50)
            SawFramingWait = true;
        Real.pause(ms);
    }
    void reset() { SawFramingWait = false; }
    Clock::time_point LastQuietWait;

private:
    SleepPause Real;
    bool SawFramingWait = false;
};

constexpr double WireSeconds = 196608.0 * 10.0 / 115200.0;

void BM_TableUploadPaced(benchmark::State& state)
{
    test::EmuProcess emu({"--pace"});
    SerialSupport line;
    NotingPause pause;
    TTonvera dev(line, pause);
    dev.OpenDevice(emu.link());
    if (!dev.CheckSync()) {
        state.SkipWithError("emulator not in step");
        return;
    }

    WaveTable table;
    int round = 0;
    double total = 0, transfer = 0;
    for (auto _ : state) {
        ++round;
        for (int k = 0; k < TableSize; ++k)
            table[static_cast<std::size_t>(k)] = (k * 13 + round) % 65001 - 32500;
        pause.reset();
        const auto t0 = Clock::now();
        const bool inStep = dev.LoadTable(0, table.span());
        const auto t1 = Clock::now();
        if (!inStep)
            state.SkipWithError("framing check failed after the upload");
        const double s = std::chrono::duration<double>(t1 - t0).count();
        total += s;
        transfer += std::chrono::duration<double>(pause.LastQuietWait - t0).count();
        state.SetIterationTime(s);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["wire_s"] = WireSeconds;
    state.counters["upload_s"] = total / n;
    state.counters["ratio"] = total / n / WireSeconds;
    state.counters["transfer_ratio"] = transfer / n / WireSeconds;
    dev.CloseDevice();
}

BENCHMARK(BM_TableUploadPaced)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
