// The commission and activity computations on a million affiliates and ten
// million sales, against the time to read the sales file once, and the
// record-by-record reference on a small set.
#include <benchmark/benchmark.h>

#include "core/accounts.h"
#include "core/record_file.h"
#include "core/records.h"
#include "generated_sets.h"

namespace qdx::bench {
namespace {

void BM_ReadSalesOnce(benchmark::State& st) {
    AppState state = state_for(full_set());
    for (auto _ : st) {
        RecordFile sales(state.dataFile(file::kSales), MoneyRecord::kSize);
        double total = 0;
        sales.scan(1, sales.count(), [&](int64_t, const uint8_t* bytes) {
            total += layout::get<layout::money::kSum>(bytes);
        });
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ReadSalesOnce)->Unit(benchmark::kMillisecond);

void BM_BuildAccounts(benchmark::State& st) {
    AppState state = state_for(full_set());
    for (auto _ : st) build_accounts(state, range_of(full_set()));
}
BENCHMARK(BM_BuildAccounts)->Unit(benchmark::kMillisecond);

void BM_BuildActivity(benchmark::State& st) {
    AppState state = state_for(full_set());
    for (auto _ : st) build_activity(state, range_of(full_set()));
}
BENCHMARK(BM_BuildActivity)->Unit(benchmark::kMillisecond);

void BM_BuildAccountsSmall(benchmark::State& st) {
    AppState state = state_for(small_set());
    for (auto _ : st) build_accounts(state, range_of(small_set()));
}
BENCHMARK(BM_BuildAccountsSmall)->Unit(benchmark::kMillisecond);

void BM_BuildAccountsLiteralSmall(benchmark::State& st) {
    AppState state = state_for(small_set());
    for (auto _ : st) build_accounts_literal(state, range_of(small_set()));
}
BENCHMARK(BM_BuildAccountsLiteralSmall)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace qdx::bench
