// Corrections at scale: the accounts and Payments Due on the full set with
// 100,000 refunds beside it, to hold against the same reports without them
// (BM_BuildAccounts, BM_PaymentsDueReport), and the reversal of a payment
// run of 100,000 payments.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/accounts.h"
#include "core/corrections.h"
#include "core/files.h"
#include "core/payment_runs.h"
#include "core/record_file.h"
#include "core/records.h"
#include "generated_sets.h"
#include "registers/void_editing.h"
#include "reports/report_kinds.h"

namespace qdx::bench {
namespace {

namespace fs = std::filesystem;

// A copy of the full set in which every hundredth sale is refunded by half
// (100,000 refunds on the ten million sales), on its own day.
const fs::path& refunded_set() {
    static const fs::path folder = [] {
        const fs::path copy = fresh_copy(full_set(), "refunds");
        const AppState state = state_in(copy);
        const RecordFile sales(state.dataFile(file::kSales), MoneyRecord::kSize);
        std::vector<uint8_t> bytes;
        const int64_t count = sales.count();
        for (int64_t k = 1; k <= count; k += 100) {
            const MoneyRecord sale = sales.read<MoneyRecord>(k);
            uint8_t record[RefundRecord::kSize];
            RefundRecord{static_cast<int32_t>(k), sale.sum / 2, sale.date}.encode(record);
            bytes.insert(bytes.end(), record, record + sizeof record);
        }
        write_file_atomically(state.dataFile(file::kRefunds),
                              std::string(bytes.begin(), bytes.end()));
        return copy;
    }();
    return folder;
}

void BM_BuildAccountsWith100000Refunds(benchmark::State& st) {
    AppState state = state_in(refunded_set());
    for (auto _ : st) build_accounts(state, range_of(full_set()));
}
BENCHMARK(BM_BuildAccountsWith100000Refunds)->Unit(benchmark::kMillisecond);

void BM_PaymentsDueReportWith100000Refunds(benchmark::State& st) {
    AppState state = state_in(refunded_set());
    ReportRequest request;
    request.kind = ReportKind::PaymentsDue;
    request.range = range_of(full_set());
    for (auto _ : st) benchmark::DoNotOptimize(make_report(state, request).rowCount());
}
BENCHMARK(BM_PaymentsDueReportWith100000Refunds)->Unit(benchmark::kMillisecond)->Iterations(1);

// A run of 100,000 payments registered, then reversed: only the reversal
// (its check of the run and the payments, and the one append of the voids)
// is timed.
void BM_ReverseRunOf100000Payments(benchmark::State& st) {
    const fs::path folder = fs::temp_directory_path() / "qdx-bench-reverse-run";
    const double day = 46000;
    std::vector<uint8_t> payments(100000 * MoneyRecord::kSize);
    for (size_t i = 0; i < 100000; ++i)
        MoneyRecord{static_cast<int32_t>(i % 1000 + 1), 12.34f, day}.encode(payments.data() +
                                                                            i * MoneyRecord::kSize);
    for (auto _ : st) {
        st.PauseTiming();
        fs::remove_all(folder);
        AppState state(folder);
        ensure_folder(state.dataDir());
        RecordFile(state.dataFile(file::kPayments), MoneyRecord::kSize);
        register_payment_run(state, day - 30, day, payments.data(), 100000);
        st.ResumeTiming();
        reverse_run(state, plan_reversal(state, 1, day + 1));
    }
    fs::remove_all(folder);
}
BENCHMARK(BM_ReverseRunOf100000Payments)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qdx::bench
