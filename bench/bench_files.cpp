// SPDX-License-Identifier: GPL-3.0-or-later
// Saving and loading a full project: eight tables of 32768 values and 21
// variables of 100 values. Beside it, a bare std::from_chars pass over the
// same table numbers, the least any reader has to do; "ratio" is the load
// time over that pass and should stay at 3 or below.

#include <benchmark/benchmark.h>

#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <stdlib.h>

#include "files/FileCommands.h"
#include "files/ProjectLoadHooks.h"
#include "files/LineReader.h"
#include "files/TextFile.h"
#include "model/QuietDialogs.h"
#include "model/MainForm.h"
#include "model/MainView.h"
#include "model/TableFill.h"

namespace {

using namespace tonvera;

class PlainView : public MainView {
public:
    std::array<std::string, EditFieldCount> edits{"", "", "", "", "", "", "", "0", "0", "0", "0", "1"};
    std::array<bool, CheckBoxCount> checks{false, false, false, true, true, true, true, true, true, true, true};
    int type = -1;
    bool timer = false;

    std::string editText(EditField f) const override { return edits[static_cast<std::size_t>(f)]; }
    void setEditText(EditField f, const std::string& t) override { edits[static_cast<std::size_t>(f)] = t; }
    void setLocalEditsEnabled(bool) override {}
    void focusEdit(EditField) override {}
    int checkedType() const override { return type; }
    void setCheckedType(int code) override { type = code; }
    bool isChecked(CheckBox b) const override { return checks[static_cast<std::size_t>(b)]; }
    void setChecked(CheckBox b, bool c) override { checks[static_cast<std::size_t>(b)] = c; }
    Priority priority() const override { return Priority::Wiederzuerst; }
    void setPriority(Priority) override {}
    void setAmSetCaption(const std::string&) override {}
    void setAktVarText(const std::string&) override {}
    OrderSetting order() const override { return {}; }
    void setOrder(const OrderSetting&) override {}
    void setPresentationText(const std::string&) override {}
    void setDrawnSeedText(const std::string&) override {}
    std::string statusText(int) const override { return {}; }
    void setStatusText(int, const std::string&) override {}
    void repaintStatusBar() override {}
    void repaintSignalDisplay() override {}
    void invalidateSignalDisplay() override {}
    void setTimerEnabled(bool on) override { timer = on; }
    bool timerEnabled() const override { return timer; }
};

using tonvera::QuietDialogs;

// A full working set and the file it saves to, shared by the benchmarks.
struct Setup {
    PlainView view;
    QuietDialogs dialogs;
    MainForm form{view, dialogs};
    ModelLoadHooks hooks{form};
    FileCommands cmd{form, hooks};
    std::string folder;
    std::string file;
    std::string numbers; // the table values alone, blank-separated

    Setup()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tonvera-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        folder = pattern;
        file = folder + "/voll.tva";

        MainState& st = form.state();
        for (int n = 0; n < SignalSlots; ++n) {
            SinusRecord& r = st.SinusArray[static_cast<std::size_t>(n)];
            r.SetDefaultTexts();
            r.Used = true;
            // Noise has the longest numbers; mix it with the other fills.
            if (n % 2 == 0)
                FillNoise(r, st.NoiseSeed);
            else
                FillAM(r, 10.0 + n);
            r.TabTyp = n % 2 == 0 ? TypeRauschen : TypeAM;
            r.TabPara = 10.0 + n;
        }
        st.SelectedSignal = 0;
        for (int s = 0; s < VariTable::SlotCount; ++s) {
            VariTable::Slot& slot = st.VariTable.slot(s);
            slot.push_back("Var" + std::to_string(s));
            for (int v = 0; v < 100; ++v)
                slot.push_back(std::to_string(v * 7 + s) + ",5");
        }
        cmd.SaveProject(file);

        // The numbers of the table lines, as the file holds them.
        const std::string bytes = ReadFileBytes(file);
        for (std::string_view line : SplitLines(bytes)) {
            if (line.size() > 5 && line.substr(0, 5) == "     ") {
                numbers.append(line.substr(5));
                numbers.push_back(' ');
            }
        }
    }
    ~Setup()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

Setup& setup()
{
    static Setup s;
    return s;
}

// Every table number through from_chars, nothing else.
std::int64_t fromCharsPass(const std::string& numbers)
{
    std::int64_t sum = 0;
    const char* p = numbers.data();
    const char* const end = p + numbers.size();
    while (p < end) {
        std::int32_t v = 0;
        auto [next, ec] = std::from_chars(p, end, v);
        sum += v;
        p = next + 1;
    }
    return sum;
}

// Saving or loading the project file, in its bytes per second.
template <typename Op>
void projectFileBench(benchmark::State& state, Op op)
{
    Setup& s = setup();
    for (auto _ : state)
        op(s);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(s.file)));
}

void BM_SaveProject(benchmark::State& state)
{
    projectFileBench(state, [](Setup& s) { s.cmd.SaveProject(s.file); });
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond);

void BM_LoadProject(benchmark::State& state)
{
    projectFileBench(state, [](Setup& s) { s.cmd.LoadProject(s.file); });
}
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond);

void BM_FromCharsPass(benchmark::State& state)
{
    Setup& s = setup();
    for (auto _ : state)
        benchmark::DoNotOptimize(fromCharsPass(s.numbers));
}
BENCHMARK(BM_FromCharsPass)->Unit(benchmark::kMillisecond);

// Both in the same run, alternating, so the ratio is not skewed by a
// machine that got busier between two benchmarks.
void BM_LoadVersusFromChars(benchmark::State& state)
{
    Setup& s = setup();
    using Clock = std::chrono::steady_clock;
    double load = 0;
    double pass = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        s.cmd.LoadProject(s.file);
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(fromCharsPass(s.numbers));
        const auto t2 = Clock::now();
        load += std::chrono::duration<double>(t1 - t0).count();
        pass += std::chrono::duration<double>(t2 - t1).count();
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["load_ms"] = load / n * 1e3;
    state.counters["from_chars_ms"] = pass / n * 1e3;
    state.counters["ratio"] = pass > 0 ? load / pass : 0;
}
BENCHMARK(BM_LoadVersusFromChars)->Unit(benchmark::kMillisecond);

} // namespace
