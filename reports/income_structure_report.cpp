// The income structure of one affiliate: its own sales and those of its
// network down to the commission levels in use, with the reward of each
// rank and the income it yields.
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/accounts.h"
#include "core/direct_referrals.h"
#include "core/level_marks.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/referral_index.h"
#include "core/settings.h"
#include "reports/report_building.h"
#include "reports/report_sort.h"
#include "reports/report_totals.h"
#include "reports/reports.h"

namespace qdx {

namespace {

// The network of an affiliate on file (1..count) from the direct referrals:
// the activity file is still built for every affiliate and marked, but
// without walking the tree from each record. False for other IDs (and when
// the index proves damaged), which take the walk over the whole tree.
bool network_ranks(const AppState& state, int32_t id, const DateRange& range, Progress& progress,
                   std::vector<std::pair<int32_t, int32_t>>& ranks,
                   std::vector<float>& rowVolumes) {
    if (id < 1) return false;
    const DirectReferrals referrals = DirectReferrals::open(state);
    const int32_t n = referrals.count();
    if (id > n) return false;
    const std::vector<float> volumes = activity_volumes(state, range, n, progress);
    progress.stage("Marking the network's levels", 0, "affiliates");
    const std::optional<Network> network =
        network_of(referrals, id, 0, state.settings.levelsInUse, false, range);
    if (!network || !write_marked_activity(state, volumes, *network, referrals, range))
        return false;
    for (const NetworkMember& m : network->members)
        if (const float v = volumes[static_cast<size_t>(m.id)]; v > 0) {
            ranks.emplace_back(m.id, m.rank);
            rowVolumes.push_back(v);
        }
    return true;
}

}  // namespace

ReportTable income_structure_report(const AppState& shared, const ReportRequest& request,
                                    Progress& progress) {
    AppState state = shared;
    const int32_t id = request.id;
    // The levels in use follow the rewards as they stand; with no reward
    // above zero they stay as they were. (load_settings has applied the same
    // rule to the same rewards, so the shared value never differs.)
    if (int32_t highest = highest_rewarded_level(state.settings); highest > 0)
        state.settings.levelsInUse = highest;

    ReportTable table = start_report(request);

    // The ranked records with volume above zero, ascending, and their volumes.
    std::vector<std::pair<int32_t, int32_t>> ranks;
    std::vector<float> volumes;
    if (!network_ranks(state, id, request.range, progress, ranks, volumes)) {
        ranks.clear();
        volumes.clear();
        ReferralTree tree = activity_tree(state);
        const std::vector<ActivityRecord> activity =
            build_activity(state, request.range, tree, progress);
        ReferralIndex index(std::move(tree));
        // Only the affiliates' records: any beyond are left from a larger file.
        LevelMarker marker(state, activity, index.count());
        progress.stage("Marking the network's levels", 0, "affiliates");
        ranks = marker.mark(index, id, state.settings.levelsInUse);
        marker.save();
        for (const auto& [i, rank] : ranks) volumes.push_back(marker.volume(i));
    }
    progress.check();
    table.setHeader("ID    | Sub-level  |  Sales     |Commissions  | Income  ");
    table.setPrintLayout({0, 10, 30, 50, 70, 80}, 5);

    const Regional& regional = state.regional;
    const Settings& settings = state.settings;
    for (size_t row = 0; row < ranks.size(); ++row) {
        const auto [i, rank] = ranks[row];
        if (rank < 1 || rank > 8) throw ReportError("rank out of range");
        table.appendRow();
        const size_t r = table.rowCount() - 1;
        const auto k = static_cast<size_t>(rank);
        put_long(table, r, 0, i);
        put_long(table, r, 1, rank - 1);
        put_single(table, r, 2, volumes[row], regional);
        put_single(table, r, 3, settings.rewards[k], regional);
        if (settings.payType == 1) {
            // The income is worked out from the values as shown, and rounded
            // as a number: its 15-digit text may already lie past the half
            // (23.750500000000002 is written 23.7505).
            put_rounded(table, r, 4, table.number(r, 3) * table.number(r, 2) / 100, regional);
        } else {
            put_single(table, r, 4, settings.rewards[k], regional);
        }
    }
    append_total_row(table, {4, 2}, regional);

    if (request.full) {
        fill_affiliate_details(table, 5, true, state);
        // The data rows are sorted by sales; the Total row stays last.
        if (table.rowCount() > 2) sort_rows(table, 1, table.rowCount() - 1, 2);
    }
    return table;
}

}  // namespace qdx
