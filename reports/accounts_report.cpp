// Accounts: what every affiliate earned and was paid in the range, and the
// balance, with a Total row; the full form adds the address fields.
#include "core/accounts.h"
#include "core/files.h"
#include "core/parallel.h"
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

    // A row for every affiliate, the four columns filled each on a core of its own.
    const Regional& regional = state.regional;
    const size_t n = totals.income.size() - 1;
    progress.stage("Listing the accounts", static_cast<int64_t>(n), "affiliates");
    const size_t first = table.appendRows(n);
    table.setRegional(regional);
    table.readyColumns(4);
    const size_t threads = n < 10000 ? 1 : std::min<size_t>(4, core_count());
    run_parts(threads, [&](size_t t) {
        for (size_t c = t; c < 4; c += threads)
            for (size_t k = 1; k <= n; ++k) {
                const size_t r = first + k - 1;
                const float income = totals.income[k], paid = totals.paid[k];
                if (c == 0) put_long(table, r, 0, static_cast<int64_t>(k));
                if (c == 1) put_single(table, r, 1, income, regional);
                if (c == 2) put_single(table, r, 2, paid, regional);
                if (c == 3) put_single(table, r, 3, income - paid, regional);
            }
    });
    progress.check();
    remove_if_exists(state.workFile(file::kAccounts));
    append_total_row(table, {1, 2, 3}, regional);

    if (full) fill_affiliate_details(table, 4, true, state);
    return table;
}

}  // namespace qdx
