// SPDX-License-Identifier: GPL-3.0-or-later
// The journal's timing.
//
//   bench_journal --benchmark_counters_tabular=true
//
// BM_StartOffset: 100 starts of the window's core against the emulator on
//   its pseudo-terminal, each stopped again once the emulator has logged it
//   (--start-times). Per start, the journal's monoton_s minus the moment the
//   emulator read the start packet's last byte, both on CLOCK_MONOTONIC:
//   median, smallest and largest, in microseconds. The journal's stamp is
//   taken once the line has drained and the wire time of every byte written
//   has passed at 115,200 baud; an emulator that takes the bytes at once
//   (paced:0) has them that wire time earlier, one that takes them at the
//   line's rate (paced:1) stands for the device at the end of a real line.
// BM_JournalStartLine: one start line written, fdatasync included, as each
//   start writes it after its packet went out.
// BM_JournalEndLine: one end line, which waits for the next start's flush.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../tests/support/EmuProcess.h"
#include "../tests/support/FakeView.h"
#include "../tests/support/RecordingDialogs.h"
#include "../tests/support/TempDir.h"
#include "model/SinusRecord.h"
#include "run/Journal.h"
#include "run/MainCore.h"

namespace {

using namespace tonvera;
using namespace std::chrono_literals;

constexpr int Starts = 100;

std::vector<std::string> Lines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

std::vector<std::string> Cells(const std::string& line)
{
    std::vector<std::string> out;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, '\t');)
        out.push_back(cell);
    return out;
}

// The monoton_s of every start line, in file order.
std::vector<double> JournalStarts(const std::string& path)
{
    std::vector<double> out;
    for (const std::string& line : Lines(path)) {
        const auto cells = Cells(line);
        if (cells.size() > 4 && cells[4] == "start")
            out.push_back(std::stod(cells[1]));
    }
    return out;
}

void BM_StartOffset(benchmark::State& state)
{
    const bool paced = state.range(0) != 0;
    test::TempDir dir;
    const std::string journalPath = dir.path("journal.tsv");
    std::vector<std::string> args = {"--start-times", "{dir}/starts.txt"};
    if (paced)
        args.push_back("--pace");
    test::EmuProcess emu(args);
    const std::string startsPath = emu.path("starts.txt");
    std::string failed;
    // Before the core, so that it outlives whatever the core still tells.
    Journal journal([&] { return journalPath; }, [&](const std::string& text) { failed = text; });
    test::FakeView view;
    test::RecordingDialogs dialogs;
    MainCore core(view, dialogs); // the real serial layer
    core.events().add(journal);
    if (!core.InitHardware(emu.link())) {
        state.SkipWithError("emulator not found");
        return;
    }
    SinusRecord& r = core.form().Record(0);
    r.Used = true;
    r.SetDefaultTexts();
    r.Freq = "1000";
    // Endless: no run ends by itself between its start and its stop.
    view.check(CheckBox::Repeated) = true;

    std::vector<double> offsets;
    for (auto _ : state) {
        const std::size_t before = Lines(startsPath).size();
        for (int i = 0; i < Starts; ++i) {
            core.StartButtonClick();
            const bool logged = test::EmuProcess::waitFor(
                [&] { return Lines(startsPath).size() >= before + std::size_t(i) + 1; }, 2000ms);
            core.Button4Click();
            if (!logged) {
                state.SkipWithError("the emulator logged no start");
                break;
            }
        }
        const auto ours = JournalStarts(journalPath);
        const auto lines = Lines(startsPath);
        if (!failed.empty() || ours.size() != std::size_t(Starts) || lines.size() != before + Starts) {
            state.SkipWithError(("starts do not pair up: " + failed).c_str());
            break;
        }
        for (int i = 0; i < Starts; ++i)
            offsets.push_back(ours[std::size_t(i)] - std::stod(lines[before + std::size_t(i)]));
    }
    core.FormClose();
    if (offsets.empty())
        return;
    std::sort(offsets.begin(), offsets.end());
    const double median = (offsets[(offsets.size() - 1) / 2] + offsets[offsets.size() / 2]) / 2;
    state.counters["starts"] = double(offsets.size());
    state.counters["median_us"] = median * 1e6;
    state.counters["min_us"] = offsets.front() * 1e6;
    state.counters["max_us"] = offsets.back() * 1e6;
    std::printf("%s: journal start minus emulator receive over %zu starts: median %.1f us, min %.1f us, max %.1f us\n",
                paced ? "paced" : "unpaced", offsets.size(), median * 1e6, offsets.front() * 1e6, offsets.back() * 1e6);
}

// A presentation as a run of two signals through one variable sends it.
PresentationStarted Synthetic()
{
    PresentationStarted p;
    p.Run = 1;
    p.Position = 1;
    p.At = StampNow();
    for (int k = 0; k < 2; ++k) {
        SignalSent s;
        s.Slot = k;
        s.Type = TypeSinus;
        s.FreqHz = 1000.0 * (k + 1);
        s.AttenuationRequested = 20.0;
        s.AttenuationSent = 23.25;
        s.PlateauMs = 400.0;
        s.RiseMs = s.FallMs = 10.0;
        p.Signals.push_back(s);
    }
    p.Globals.LengthMs = 500.0;
    p.Globals.Repetitions = 1;
    p.Variables = {{"F", "1000"}};
    return p;
}

void JournalLines(benchmark::State& state, bool start)
{
    test::TempDir dir;
    std::string failed;
    Journal journal([&] { return dir.path("journal.tsv"); }, [&](const std::string& text) { failed = text; });
    PresentationStarted p = Synthetic();
    // The file, its header and the session comment are there before timing.
    journal.presentationStarted(p);
    PresentationEnded e;
    e.Run = 1;
    e.Position = 1;
    e.At = p.At;
    for (auto _ : state) {
        if (start) {
            ++p.Number;
            journal.presentationStarted(p);
        } else {
            ++e.Number;
            journal.presentationEnded(e);
        }
    }
    if (!failed.empty())
        state.SkipWithError(failed.c_str());
}

void BM_JournalStartLine(benchmark::State& state) { JournalLines(state, true); }
void BM_JournalEndLine(benchmark::State& state) { JournalLines(state, false); }

// 0: the emulator takes the bytes as fast as the terminal hands them over;
// 1: no faster than the 115,200 baud line (--pace), as the device gets them.
BENCHMARK(BM_StartOffset)->ArgName("paced")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
// Wall time: the flush waits for the disk, not for this process.
BENCHMARK(BM_JournalStartLine)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_JournalEndLine)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(1.0);

} // namespace
