// The reports over every affiliate (and two over one affiliate's network) as
// qdx-report makes them: computed, laid out and written as text (to
// nothing), each against one read of the sales file ("x_read"). The full
// set: 1,000,000 affiliates, 10,000,000 sales over a year;
// QDX_BENCH_TEN_MILLION=1 adds the accounts of 10,000,000 affiliates
// and 100,000,000 sales (4 GB of data, written once into the temporary folder).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "generated_sets.h"
#include "read_ratio.h"
#include "report_asking.h"
#include "reports/report_export.h"
#include "reports/reports.h"

namespace qdx::bench {
namespace {

// The report written as qdx-report writes it to its standard output.
void make_and_write(const AppState& state, ReportKind kind, bool full, DateRange range,
                    int32_t id) {
    const ReportTable table = ask(state, kind, id, full, false, range);
    size_t bytes = 0;
    stream_text(table, ';', state, [&](std::string_view piece) { bytes += piece.size(); });
    benchmark::DoNotOptimize(bytes);
}

void row(benchmark::State& st, const SampleShape& shape, ReportKind kind, bool full = false,
         bool lastMonth = false, bool ofOne = false) {
    const AppState state = state_for(shape);
    DateRange range = range_of(shape);
    if (lastMonth) range.from = range.to - 29;
    const int32_t id = ofOne ? network_of_2000(state) : 0;
    if (ofOne) st.SetLabel("ID " + std::to_string(id));
    time_row(st, state.appDir, [&] { make_and_write(state, kind, full, range, id); });
}

void BM_AccountsYear(benchmark::State& st) { row(st, full_set(), ReportKind::Accounts); }
void BM_AccountsMonth(benchmark::State& st) {
    row(st, full_set(), ReportKind::Accounts, false, true);
}
void BM_AccountsFullYear(benchmark::State& st) { row(st, full_set(), ReportKind::Accounts, true); }
void BM_PaymentsDueYear(benchmark::State& st) { row(st, full_set(), ReportKind::PaymentsDue); }
void BM_ApPerformanceYear(benchmark::State& st) { row(st, full_set(), ReportKind::ApPerformance); }
// One affiliate's network, about 2,000 below it: the activities read only
// the members' sales; the income structure still writes the activity file
// of every affiliate.
void BM_ActivitiesOfOneYear(benchmark::State& st) {
    row(st, full_set(), ReportKind::Activities, false, false, true);
}
void BM_IncomeStructureOfOneYear(benchmark::State& st) {
    row(st, full_set(), ReportKind::IncomeStructure, false, false, true);
}

// Ten times the full set.
SampleShape ten_million() {
    SampleShape shape = full_set();
    for (auto* count : {&shape.sales, &shape.payments}) *count *= 10;
    shape.affiliates *= 10;
    return shape;
}
void BM_AccountsYearTenMillion(benchmark::State& st) {
    row(st, ten_million(), ReportKind::Accounts);
}

void time_rows(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
}
BENCHMARK(BM_AccountsYear)->Apply(time_rows);
BENCHMARK(BM_AccountsMonth)->Apply(time_rows);
BENCHMARK(BM_AccountsFullYear)->Apply(time_rows);
BENCHMARK(BM_PaymentsDueYear)->Apply(time_rows);
BENCHMARK(BM_ApPerformanceYear)->Apply(time_rows);
BENCHMARK(BM_ActivitiesOfOneYear)->Apply(time_rows);
BENCHMARK(BM_IncomeStructureOfOneYear)->Apply(time_rows);
const bool kTenMillion = [] {
    if (std::getenv("QDX_BENCH_TEN_MILLION"))
        BENCHMARK(BM_AccountsYearTenMillion)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(1);
    return true;
}();

}  // namespace
}  // namespace qdx::bench
