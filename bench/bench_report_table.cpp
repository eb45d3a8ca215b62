// The accounts report's table on the full set: built (short and full form)
// with the heap it keeps, and shown in the report grid's model, up to the
// first screen of cells.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QGuiApplication>
#include <memory>

#include "generated_sets.h"
#include "report_asking.h"
#include "reports/report_totals.h"
#include "reports/reports.h"
#include "reports/ui/report_table_model.h"

namespace qdx::bench {
namespace {

double heap_in_use_mb() { return static_cast<double>(mallinfo2().uordblks) / (1 << 20); }

// Arg 0: short form, 1: full form.
void BM_AccountsTableBuilt(benchmark::State& st) {
    AppState state = state_for(full_set());
    const bool full = st.range(0) == 1;
    st.SetLabel(full ? "full" : "short");
    double kept = 0;
    for (auto _ : st) {
        const double before = heap_in_use_mb();
        ReportTable table = ask(state, ReportKind::Accounts, 0, full);
        kept = heap_in_use_mb() - before;
        benchmark::DoNotOptimize(table.rowCount());
    }
    st.counters["table_MB"] = kept;
}
BENCHMARK(BM_AccountsTableBuilt)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// The Total row of a million rows of three amounts, as the accounts end:
// every cell rounded, each column added up with its running total rounded
// as shown after each addition.
void BM_TotalRow(benchmark::State& st) {
    const Regional regional;
    ReportTable filled;
    filled.setHeader("ID|Income|Payments|Balance");
    constexpr size_t kRows = 1000000;
    filled.appendRows(kRows);
    uint32_t seed = 1;
    for (size_t r = 1; r <= kRows; ++r) {
        put_long(filled, r, 0, static_cast<int64_t>(r));
        for (size_t c = 1; c < 4; ++c) {
            seed = seed * 1664525u + 1013904223u;
            put_single(filled, r, c, static_cast<float>(seed >> 12) / 1000.0f, regional);
        }
    }
    for (auto _ : st) {
        st.PauseTiming();
        ReportTable table = filled;
        st.ResumeTiming();
        append_total_row(table, {1, 2, 3}, regional);
        benchmark::DoNotOptimize(table.number(table.rowCount() - 1, 1));
    }
}
BENCHMARK(BM_TotalRow)->Unit(benchmark::kMillisecond)->Iterations(5);

// The full accounts report as the report window opens it: made, handed to
// the grid's model, and the cells of a first screen (40 rows) fetched.
void BM_ReportGridFirstScreen(benchmark::State& st) {
    static int argc = 1;
    static char name[] = "qdx_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static auto app = std::make_unique<QGuiApplication>(argc, argv);
    AppState state = state_for(full_set());
    double kept = 0;
    for (auto _ : st) {
        const double before = heap_in_use_mb();
        ui::ReportTableModel model;
        model.setTable(ask(state, ReportKind::Accounts, 0, true));
        for (int r = 0; r < 40 && r < model.rowCount(); ++r)
            for (int c = 0; c < model.columnCount(); ++c)
                benchmark::DoNotOptimize(model.data(model.index(r, c)));
        kept = heap_in_use_mb() - before;
    }
    st.counters["grid_MB"] = kept;
}
BENCHMARK(BM_ReportGridFirstScreen)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace qdx::bench
