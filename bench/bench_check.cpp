// The check of the full generated set (1,000,000 affiliates, 10,000,000
// sales): one read of each file and one walk of the tree; and one history
// line, as a save adds it.
#include <benchmark/benchmark.h>

#include "core/history.h"
#include "generated_sets.h"
#include "safety/check.h"

namespace qdx::bench {
namespace {

void BM_CheckFullSet(benchmark::State& s) {
    const auto folder = prepared_folder(full_set());
    for (auto _ : s) {
        const CheckReport report = check_data(folder);
        benchmark::DoNotOptimize(report.findings.size());
        s.counters["affiliates"] = static_cast<double>(report.affiliates);
        s.counters["sales"] = static_cast<double>(report.sales);
        s.counters["findings"] = static_cast<double>(report.findings.size());
    }
}
BENCHMARK(BM_CheckFullSet)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_HistoryLine(benchmark::State& s) {
    const auto folder = fresh_copy(small_set(), "history");
    for (auto _ : s) write_history(folder, "sales", 1, "saved: Sum: 1 → 2");
}
BENCHMARK(BM_HistoryLine)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qdx::bench
