// "Register payments": one payment per listed affiliate, dated the end of the
// range, appended after the last record of the payments file as one run.
#include <cfloat>
#include <climits>
#include <cmath>
#include <vector>

#include "core/files.h"
#include "core/payment_runs.h"
#include "core/records.h"
#include "reports/reports.h"
#include "reports/shown_numbers.h"

namespace qdx {

int register_payments(const AppState& state, const ReportTable& table, Progress& progress,
                      PaymentRun* registered) {
    const auto path = state.dataFile(file::kPayments);
    if (!file_exists(path)) return 0;

    const size_t endOfData = table.rowCount() - (table.hasTotalRow ? 1 : 0);
    if (endOfData <= 1) return 0;
    const size_t rows = endOfData - 1;

    // Convert every row before writing, so that a bad cell writes nothing.
    std::vector<uint8_t> bytes(rows * MoneyRecord::kSize);
    progress.stage("Registering the payments", static_cast<int64_t>(rows), "payments");
    for (size_t i = 1; i < endOfData; ++i) {
        progress.step(static_cast<int64_t>(i));
        MoneyRecord payment;
        const double id = std::nearbyint(table.number(i, 0));
        const double sum = table.number(i, 1);
        if (!(id >= INT32_MIN && id <= INT32_MAX))
            throw ReportError("Row " + std::to_string(i) + " holds no payment");
        // A NaN or an infinite amount is never paid, nor paid as 0.
        if (!std::isfinite(sum) && table.kind(i, 1) == ReportTable::Kind::NonFinite)
            throw ReportError("Affiliate " + std::to_string(static_cast<int64_t>(id)) +
                              "'s amount is " + non_finite_text(sum) +
                              ": no payment can be made of it");
        if (!(std::fabs(sum) <= FLT_MAX))
            throw ReportError("Row " + std::to_string(i) + " holds no payment");
        payment.affiliateId = static_cast<int32_t>(id);
        payment.sum = static_cast<float>(sum);
        payment.date = table.request.range.to;
        payment.encode(bytes.data() + (i - 1) * MoneyRecord::kSize);
    }

    // The last moment a stop can be taken back: the run is all or none.
    progress.check();
    const PaymentRun run = register_payment_run(state, table.request.range.from,
                                                table.request.range.to, bytes.data(), rows);
    if (registered) *registered = run;
    return static_cast<int>(rows);
}

}  // namespace qdx
