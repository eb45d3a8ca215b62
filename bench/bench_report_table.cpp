// The accounts report's table on the full set: built (short and full form)
// with the heap it keeps, and shown in the report grid's model, up to the
// first screen of cells.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QGuiApplication>
#include <memory>

#include "generated_sets.h"
#include "report_asking.h"
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
