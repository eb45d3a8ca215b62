// Accounts: what every affiliate earned and was paid in the range, and the
// balance, with a Total row; the full form adds the address fields.
#include "core/accounts.h"
#include "core/tree.h"
#include "reports/report_building.h"
#include "reports/report_totals.h"
#include "reports/reports.h"

namespace qdx {

ReportTable accounts_report(const AppState& state, const ReportRequest& request,
                            Progress& progress) {
    const bool full = request.full;
    ReportTable table = start_report(request);

    const AccountTotals totals = build_accounts(state, request.range, progress);
    table.notice = totals.notice;
    table.setHeader(" Affiliate's ID     | Income       | Payments         |  Balance        ");
    table.setPrintLayout({0, 15, 30, 50, 70}, 4);

    const Regional& regional = state.regional;
    table.reserveRows(static_cast<size_t>(count_affiliates(state)) + 2);
    list_accounts(
        state, totals,
        [&](int64_t k, float income, float payments) {
            const size_t r = table.appendRow();
            put_long(table, r, 0, k);
            put_single(table, r, 1, income, regional);
            put_single(table, r, 2, payments, regional);
            put_single(table, r, 3, income - payments, regional);
        },
        progress);
    append_total_row(table, {1, 2, 3}, regional);

    if (full) fill_affiliate_details(table, 4, true, state);
    return table;
}

}  // namespace qdx
