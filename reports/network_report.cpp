// Network structure: affiliates per level, in all and new in the range, for
// the whole network or for one affiliate's network with its upline.
#include <algorithm>
#include <string>

#include "core/accounts.h"
#include "core/files.h"
#include "core/referral_index.h"
#include "core/settings.h"
#include "core/tree.h"
#include "reports/network_counts.h"
#include "reports/report_building.h"
#include "reports/report_totals.h"
#include "reports/reports.h"

namespace qdx {

namespace {

void resize_levels(NetworkLevels& levels, int32_t depth) {
    levels.netTotal.resize(static_cast<size_t>(depth) + 1, 0);
    levels.netNew.resize(static_cast<size_t>(depth) + 1, 0);
}

// A level the tables do not have means the stored Levels are inconsistent.
size_t level_index(const NetworkLevels& levels, int64_t level) {
    if (level < 1 || level > levels.depth()) throw ReportError("level outside the table");
    return static_cast<size_t>(level);
}

void count_member(NetworkLevels& levels, const DateRange& range, const ReferralTree& tree,
                  int32_t r) {
    const size_t l = level_index(levels, tree.levelOf(r));
    ++levels.netTotal[l];
    if (range.contains(tree.dateOf(r))) ++levels.netNew[l];
}

bool affiliates_file_exists(const AppState& state) {
    return file_exists(state.dataFile(file::kAffiliates));
}

// Levels are stored when an affiliate is saved: a referral cycle typed by
// hand, saved round after round, stores Levels beyond the number of
// affiliates, and those are counted as stored. Only a Level below 1, or one
// whose level tables (two counters a level) would not fit in memory, is
// refused.
constexpr int32_t kDeepestCountedLevel = 20'000'000;

int32_t checked_level(const ReferralTree& tree, int32_t r) {
    const int32_t level = tree.levelOf(r);
    if (level < 1 || level > kDeepestCountedLevel)
        throw DamagedRecordError(
            "Affiliate " + std::to_string(r) + " has the Level " + std::to_string(level) +
            ", outside 1 to " + std::to_string(kDeepestCountedLevel) +
            ": the network cannot be counted level by level. Save the affiliate again in the "
            "Affiliates window to give it its referrer's Level plus 1.");
    return level;
}

}  // namespace

NetworkLevels count_network(const AppState& state, const DateRange& range) {
    NetworkLevels levels;
    if (!affiliates_file_exists(state)) return levels;
    const ReferralTree tree = ReferralTree::load(state);
    resize_levels(levels, 2);
    for (int32_t r = 1; r <= tree.count(); ++r) {
        // A deeper Level grows the tables to that Level plus one.
        if (const int32_t level = checked_level(tree, r); level > levels.depth())
            resize_levels(levels, level + 1);
        count_member(levels, range, tree, r);
    }
    return levels;
}

NetworkLevels count_network_of(const AppState& state, const DateRange& range, int32_t id) {
    NetworkLevels levels;
    const int32_t t = highest_rewarded_level(state.settings);
    if (!affiliates_file_exists(state)) return levels;
    ReferralIndex index(ReferralTree::load(state));
    const ReferralTree& tree = index.tree();
    const int32_t l0 = checked_level(tree, id);
    resize_levels(levels, l0 + t);
    const size_t own = level_index(levels, l0);
    levels.netTotal[own] = 1;
    levels.netNew[own] = id;
    // The upline, one member per level above.
    int32_t current = id;
    for (int32_t k = l0 - 1; k >= 1; --k) {
        const int32_t referrer = tree.referrerOf(current);
        levels.netTotal[static_cast<size_t>(k)] = 1;
        levels.netNew[static_cast<size_t>(k)] = referrer;
        if (!tree.contains(referrer)) throw ReportError("broken referrer chain");
        current = referrer;
    }
    // Members deeper than `id` that reach it within t steps upwards, found
    // by walking down its referrals.
    const auto members =
        index.ranks(id, t + 1, [&](int32_t r) { return tree.contains(r) && tree.levelOf(r) > l0; });
    for (const auto& [r, rank] : members) count_member(levels, range, tree, r);
    return levels;
}

ReportTable network_report(const AppState& state, const ReportRequest& request,
                           Progress& progress) {
    const int32_t id = request.id;
    ReportTable table = start_report(request);
    progress.stage("Counting the network", 0, "affiliates");
    const int32_t rootLevel = id > 0 ? get_level(state, id) : 0;
    const NetworkLevels levels =
        id != 0 ? count_network_of(state, request.range, id) : count_network(state, request.range);

    if (id > 0) {
        table.caption = "Sub Net Structure Report for the Affiliate with ID=" + std::to_string(id);
        table.setHeader(" Level   | Total affiliates    | New affiliates   | ID    ");
        table.setPrintLayout({0, 8, 25, 40, 50}, 4);
    } else {
        table.setHeader(" Level   | Total affiliates    | New affiliates     ");
        table.setPrintLayout({0, 9, 30, 50}, 3);
    }
    for (int32_t k = 1; k <= levels.depth(); ++k) {
        table.appendRow();
        const size_t r = table.rowCount() - 1;
        const int64_t total = levels.netTotal[static_cast<size_t>(k)];
        const int64_t added = levels.netNew[static_cast<size_t>(k)];
        put_long(table, r, 0, k);
        // The upline's rows show the member's ID and count nothing.
        if (id > 0 && k <= rootLevel) {
            put_long(table, r, 3, added);
            put_long(table, r, 2, 0);
            put_long(table, r, 1, 0);
        } else {
            put_long(table, r, 1, total);
            put_long(table, r, 2, added);
        }
    }
    append_total_row(table, {1, 2}, state.regional);
    return table;
}

}  // namespace qdx
