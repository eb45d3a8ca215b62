// Payments due: every affiliate whose balance for the range reaches the
// minimal payment, with the amount; optionally every affiliate's pages.
#include <memory>

#include "core/accounts.h"
#include "core/files.h"
#include "reports/affiliate_pages.h"
#include "reports/report_building.h"
#include "reports/reports.h"

namespace qdx {

ReportTable payments_due_report(const AppState& shared, const ReportRequest& request,
                                Progress& progress) {
    const AppState state = with_range(shared, request);
    ReportTable table = start_report(request);

    build_accounts(state, progress);
    // The pages read the activity file and the downline cache it brings up to date.
    std::unique_ptr<PageWriter> writer;
    if (request.pages) writer = std::make_unique<PageWriter>(state, progress);

    table.setHeader(" Affiliate's ID     | Payments Due  ");
    table.setPrintLayout({0, 15, 40}, 2);

    const Regional& regional = state.regional;
    const float minPayment = state.settings.minPayment;
    read_and_delete_accounts(
        state,
        [&](int64_t k, float income, float payments) {
            // Every affiliate of the file gets its pages, due or not.
            if (writer) writer->write(static_cast<int32_t>(k), income);
            const float balance = income - payments;
            if (balance >= minPayment) {
                table.appendRow();
                const size_t r = table.rowCount() - 1;
                put_long(table, r, 0, k);
                put_single(table, r, 1, balance, regional);
            }
        },
        progress);
    if (writer) writer->finish();
    append_total_row(table, {1}, regional);

    if (request.full) {
        ensure_folder(state.dataDir());
        fill_affiliate_details(table, 2, true, state);
    }
    return table;
}

}  // namespace qdx
