// The activities, income structure, network and downline reports for the
// whole network, for the largest root's network and for an affiliate with
// about 2,000 below it; the downline cache written from nothing and updated
// after a thousand new affiliates; payments due with the pages of ten
// thousand affiliates, written afresh and over an earlier set.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/downline_cache.h"
#include "core/files.h"
#include "core/settings.h"
#include "core/tree.h"
#include "generated_sets.h"
#include "report_asking.h"
#include "reports/reports.h"

namespace qdx::bench {
namespace {

namespace fs = std::filesystem;

AppState full_state() { return state_for(full_set()); }

// The root with the most affiliates below it.
int32_t large_network_root(const AppState& state) {
    const ReferralTree tree = ReferralTree::load(state);
    const std::vector<int32_t> below = network_sizes(tree);
    int32_t best = 1;
    for (int32_t k = 1; k <= tree.count(); ++k)
        if (tree.referrerOf(k) == 0 &&
            below[static_cast<size_t>(k)] > below[static_cast<size_t>(best)])
            best = k;
    return best;
}

// Arg 0: the whole network; 1: the largest root's; 2: about 2,000 below.
int32_t report_id(benchmark::State& st, const AppState& state) {
    if (st.range(0) == 0) return 0;
    const int32_t id = st.range(0) == 1 ? large_network_root(state) : network_of_2000(state);
    st.SetLabel("ID " + std::to_string(id));
    return id;
}

void BM_ActivitiesReport(benchmark::State& st) {
    AppState state = full_state();
    const int32_t id = report_id(st, state);
    for (auto _ : st)
        benchmark::DoNotOptimize(ask(state, ReportKind::Activities, id, false).rowCount());
}
BENCHMARK(BM_ActivitiesReport)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_IncomeStructureReport(benchmark::State& st) {
    AppState state = full_state();
    const int32_t id = report_id(st, state);
    for (auto _ : st)
        benchmark::DoNotOptimize(ask(state, ReportKind::IncomeStructure, id, false).rowCount());
}
BENCHMARK(BM_IncomeStructureReport)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_NetworkReport(benchmark::State& st) {
    AppState state = full_state();
    const int32_t id = report_id(st, state);
    for (auto _ : st) benchmark::DoNotOptimize(ask(state, ReportKind::Network, id).rowCount());
}
BENCHMARK(BM_NetworkReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// The cache is brought up to date once before timing: the first run over a
// new folder writes a list file per affiliate.
void BM_DownlineReport(benchmark::State& st) {
    AppState state = full_state();
    refresh_downline_cache(state);
    const int32_t id = report_id(st, state);
    for (auto _ : st)
        benchmark::DoNotOptimize(ask(state, ReportKind::Downline, id, false).rowCount());
}
BENCHMARK(BM_DownlineReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// A folder of its own holding the affiliates and an up-to-date cache; each
// iteration appends a thousand affiliates untimed and times the update.
void BM_CheckDownlineAfter1000New(benchmark::State& st) {
    const fs::path from = prepared_folder(full_set());
    const fs::path folder = from.string() + "-downline";
    fs::remove_all(folder);
    ensure_folder(folder / "data");
    fs::copy_file(from / "data" / file::kAffiliates, folder / "data" / file::kAffiliates);
    AppState state = state_in(folder);
    refresh_downline_cache(state);
    uint32_t seed = 7;
    for (auto _ : st) {
        st.PauseTiming();
        append_sample_affiliates(folder, 1000, seed++);
        st.ResumeTiming();
        refresh_downline_cache(state);
    }
}
BENCHMARK(BM_CheckDownlineAfter1000New)->Unit(benchmark::kMillisecond)->Iterations(5);

// The cache written from nothing: a list file per affiliate, the counter
// and the packed index. The folder's earlier cache is removed untimed.
void BM_DownlineCacheFromNothing(benchmark::State& st) {
    const fs::path from = prepared_folder(full_set());
    const fs::path folder = from.string() + "-first-downline";
    fs::remove_all(folder);
    ensure_folder(folder / "data");
    fs::copy_file(from / "data" / file::kAffiliates, folder / "data" / file::kAffiliates);
    AppState state = state_in(folder);
    for (auto _ : st) {
        st.PauseTiming();
        fs::remove_all(folder / "data" / "dwl");
        st.ResumeTiming();
        refresh_downline_cache(state);
    }
}
BENCHMARK(BM_DownlineCacheFromNothing)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PaymentsDueWithPages10000(benchmark::State& st) {
    SampleShape shape;
    shape.affiliates = 10000;
    shape.sales = 100000;
    shape.payments = 10000;
    AppState state = state_in(fresh_copy(shape, "pages"));
    for (auto _ : st)
        benchmark::DoNotOptimize(
            ask(state, ReportKind::PaymentsDue, 0, false, true, range_of(shape)).rowCount());
}
BENCHMARK(BM_PaymentsDueWithPages10000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same run again over the 20,000 pages of a first run (untimed): every
// page is overwritten where it is.
void BM_PaymentsDueWithPages10000Again(benchmark::State& st) {
    SampleShape shape;
    shape.affiliates = 10000;
    shape.sales = 100000;
    shape.payments = 10000;
    AppState state = state_in(fresh_copy(shape, "pages-again"));
    ask(state, ReportKind::PaymentsDue, 0, false, true, range_of(shape));
    for (auto _ : st)
        benchmark::DoNotOptimize(
            ask(state, ReportKind::PaymentsDue, 0, false, true, range_of(shape)).rowCount());
}
BENCHMARK(BM_PaymentsDueWithPages10000Again)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace qdx::bench
