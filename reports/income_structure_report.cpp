// The income structure of one affiliate: its own sales and those of its
// network down to the commission levels in use, with the reward of each
// rank and the income it yields.
#include <algorithm>
#include <string>
#include <vector>

#include "core/accounts.h"
#include "core/grid_sort.h"
#include "core/level_marks.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/referral_index.h"
#include "core/settings.h"
#include "reports/report_building.h"
#include "reports/reports.h"

namespace qdx {

ReportTable income_structure_report(AppState& state, int32_t id, bool full) {
    // The levels in use follow the rewards as they stand; with no reward
    // above zero they stay as they were.
    if (int32_t highest = highest_rewarded_level(state.settings); highest > 0)
        state.settings.levelsInUse = highest;

    ReportTable table;
    table.caption = "Affiliate's " + std::to_string(id) + " income structure Report";
    state.report.reportType = full ? 2 : 1;

    build_activity(state);
    ReferralIndex index(ReferralTree::load(state));
    // Only the affiliates' records: any beyond are left from a larger file.
    LevelMarker marker(state, index.count());
    const auto ranks = marker.mark(index, id, state.settings.levelsInUse);
    table.setHeader("ID    | Sub-level  |  Sales     |Commissions  | Income  ");
    hand_over_print_layout(table, state, {0, 10, 30, 50, 70, 80}, 5);

    const Regional& regional = state.regional;
    const Settings& settings = state.settings;
    for (const auto& [i, rank] : ranks) {
        if (rank < 1 || rank > 8) throw ReportError("rank out of range");
        auto& row = table.appendRow();
        row[0] = format_long(i);
        row[1] = format_long(rank - 1);
        row[2] = format_single(marker.volume(i), regional);
        row[3] = row[4] = format_single(settings.rewards[static_cast<size_t>(rank)], regional);
        if (settings.payType == 1) {
            // The income is worked out from the texts just written, as shown,
            // and rounded as a number: its 15-digit text may already lie past
            // the half (23.750500000000002 is written 23.7505).
            const double rate = parse_number(row[4], regional).value_or(0);
            const double sales = parse_number(row[2], regional).value_or(0);
            row[4] = round3_double(rate * sales / 100, regional);
        }
    }
    append_total_row(table, {4, 2}, regional);

    if (full) {
        fill_affiliate_details(table, 5, true, state);
        // The data rows are sorted by sales; the Total row stays last.
        if (table.rowCount() > 2)
            sort_grid_rows(std::span(table.cells).subspan(1, table.rowCount() - 2), 2, regional);
    }
    return table;
}

}  // namespace qdx
