// The accounts report, short and full, built and saved as text; the
// payments-due and AP performance reports on the same set.
#include <benchmark/benchmark.h>

#include "generated_sets.h"
#include "report_asking.h"
#include "reports/report_export.h"
#include "reports/reports.h"

namespace qdx::bench {
namespace {

AppState report_state() { return state_for(full_set()); }

// Arg 0: short form, 1: full form.
void BM_AccountsReportSavedAsText(benchmark::State& st) {
    AppState state = report_state();
    const bool full = st.range(0) == 1;
    st.SetLabel(full ? "full" : "short");
    for (auto _ : st) {
        ReportTable table = ask(state, ReportKind::Accounts, 0, full);
        save_text(table, ';', state);
        benchmark::DoNotOptimize(table.rowCount());
    }
}
BENCHMARK(BM_AccountsReportSavedAsText)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_PaymentsDueReport(benchmark::State& st) {
    AppState state = report_state();
    for (auto _ : st)
        benchmark::DoNotOptimize(ask(state, ReportKind::PaymentsDue, 0, false, false).rowCount());
}
BENCHMARK(BM_PaymentsDueReport)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ApPerformanceReport(benchmark::State& st) {
    AppState state = report_state();
    for (auto _ : st) benchmark::DoNotOptimize(ask(state, ReportKind::ApPerformance).rowCount());
}
BENCHMARK(BM_ApPerformanceReport)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace qdx::bench
