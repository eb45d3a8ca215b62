// Payments due: every affiliate whose balance for the range reaches the
// minimal payment, with the amount; optionally every affiliate's pages.
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/accounts.h"
#include "core/files.h"
#include "core/hold_period.h"
#include "core/tree.h"
#include "reports/affiliate_pages.h"
#include "reports/report_building.h"
#include "reports/report_totals.h"
#include "reports/reports.h"
#include "reports/shown_numbers.h"

namespace qdx {

namespace {

// Affiliates named one by one in the notice; the rest are counted.
constexpr size_t kNamedAtMost = 20;

// Says which affiliates were left out because their balance is NaN or
// infinite: no amount can be paid for them, and none is paid as 0.
std::string left_out_notice(const std::vector<std::pair<int64_t, float>>& damaged) {
    std::string text = damaged.size() == 1 ? "Affiliate " : "Affiliates ";
    for (size_t i = 0; i < damaged.size() && i < kNamedAtMost; ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(damaged[i].first) + " (balance " +
                non_finite_text(damaged[i].second) + ")";
    }
    if (damaged.size() > kNamedAtMost)
        text += " and " + std::to_string(damaged.size() - kNamedAtMost) + " more";
    text += damaged.size() == 1 ? " is" : " are";
    text +=
        " left out of the report: the balance for the range is not a number or is infinite, so "
        "no payment can be worked out. A sale or payment of the range is damaged, or the sums "
        "go beyond what an amount holds; correct them in the Sales and Payments windows and make "
        "the report again.";
    return text;
}

}  // namespace

ReportTable payments_due_report(const AppState& state, const ReportRequest& request,
                                Progress& progress) {
    ReportTable table = start_report(request);

    // A damaged hold file stops the report before anything is written.
    const int32_t hold = load_hold_days(state.appDir);
    if (hold > 0) table.caption += " " + hold_caption(hold);
    const AccountTotals totals = build_accounts(state, request.range, progress, hold);
    // The pages read the activity file and the downline cache it brings up to date.
    std::unique_ptr<PageWriter> writer;
    // The pages tell the income earned in the range, held or not.
    std::vector<float> earned;
    if (request.pages) {
        writer = std::make_unique<PageWriter>(state, request.range, progress);
        if (hold > 0)
            earned =
                account_totals(state, request.range,
                               ReferralTree::load(state, ReferralTree::Read::ReferrersOnly), false)
                    .income;
    }

    table.setHeader(" Affiliate's ID     | Payments Due  ");
    table.setPrintLayout({0, 15, 40}, 2);

    const Regional& regional = state.regional;
    const float minPayment = state.settings.minPayment;
    std::vector<std::pair<int64_t, float>> damaged;
    auto page_income = [&](int64_t k, float income) {
        if (hold == 0) return income;
        const auto i = static_cast<size_t>(k);
        return i < earned.size() ? earned[i] : 0.0f;
    };
    list_accounts(
        state, totals,
        [&](int64_t k, float income, float payments) {
            // Every affiliate of the file gets its pages, due or not.
            if (writer) writer->write(static_cast<int32_t>(k), page_income(k, income));
            const float balance = income - payments;
            if (!std::isfinite(balance)) {
                damaged.emplace_back(k, balance);
                return;
            }
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
    if (!damaged.empty()) table.notice = left_out_notice(damaged);
    if (!totals.notice.empty()) table.notice += (table.notice.empty() ? "" : " ") + totals.notice;

    if (request.full) {
        ensure_folder(state.dataDir());
        fill_affiliate_details(table, 2, true, state);
    }
    return table;
}

}  // namespace qdx
