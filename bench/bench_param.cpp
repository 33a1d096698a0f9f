// SPDX-License-Identifier: GPL-3.0-or-later
// Evaluations per second of the parameter evaluation, which the display,
// the download and the simulation run for every parameter of every signal.
// A plain number must evaluate without touching the heap: the counter
// "allocs/eval" shows it, and that benchmark fails when it is not 0.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "model/QuietDialogs.h"
#include "model/ParamEvaluator.h"
#include "model/VariTable.h"

namespace {
std::atomic<long> allocations{0};
}

// GCC takes the free() in the replaced delete for a mismatch with the
// replaced new once it inlines both; they do belong together.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using tonvera::QuietDialogs;

tonvera::VariTable makeTable()
{
    tonvera::VariTable t;
    // A few variables before the one looked up, so the search is not trivial.
    t.slot(0) = {"freq", "100", "200", "300", "400"};
    t.slot(1) = {"damp", "0", "3", "6", "9"};
    t.slot(2) = {"start", "0", "10", "20", "30"};
    t.slot(3) = {"a", "1", "2", "4,5", "8"};
    return t;
}

void runEval(benchmark::State& state, std::string_view text, bool mustNotAllocate)
{
    const tonvera::VariTable table = makeTable();
    QuietDialogs dialogs;
    const tonvera::ParamEvaluator eval(table, 3, dialogs);
    const long before = allocations.load();
    for (auto _ : state)
        benchmark::DoNotOptimize(eval.ParamValue(text));
    const long allocs = allocations.load() - before;
    state.SetItemsProcessed(state.iterations());
    state.counters["evals/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["allocs/eval"] = static_cast<double>(allocs) / static_cast<double>(state.iterations());
    if (!dialogs.texts().empty())
        state.SkipWithError("a message was shown");
    if (mustNotAllocate && allocs != 0)
        state.SkipWithError("evaluating a plain number allocated");
}

void BM_PlainNumber(benchmark::State& state) { runEval(state, "1000", true); }
void BM_DecimalComma(benchmark::State& state) { runEval(state, "246,724", true); }
void BM_VariableName(benchmark::State& state) { runEval(state, "A", false); }
void BM_Expression(benchmark::State& state) { runEval(state, "2*A+1", false); }

} // namespace

BENCHMARK(BM_PlainNumber);
BENCHMARK(BM_DecimalComma);
BENCHMARK(BM_VariableName);
BENCHMARK(BM_Expression);
