// Activities: every affiliate that sold something or brought in new direct
// referrals in the range; for an ID, that affiliate and its network down to
// the commission levels in use.
#include <optional>
#include <string>
#include <vector>

#include "core/accounts.h"
#include "core/direct_referrals.h"
#include "core/file_error.h"
#include "core/files.h"
#include "core/platform/platform.h"
#include "core/records.h"
#include "core/referral_index.h"
#include "core/tree.h"
#include "reports/report_building.h"
#include "reports/report_totals.h"
#include "reports/reports.h"

namespace qdx {

ReportTable activities_report(const AppState& state, const ReportRequest& request,
                              Progress& progress) {
    const int32_t id = request.id;
    ReportTable table = start_report(request);

    table.setHeader(
        " Affiliate's ID     | Level  | Number of Subaffiliates      | Volume of Sales       ");
    table.setPrintLayout({0, 15, 25, 56}, 4);

    const Regional& regional = state.regional;
    auto list = [&](int64_t i, int32_t level, int32_t newReferrals, float volume) {
        if (volume == 0 && newReferrals == 0) return;
        table.appendRow();
        const size_t r = table.rowCount() - 1;
        put_long(table, r, 0, i);
        put_long(table, r, 1, level);
        put_long(table, r, 2, newReferrals);
        put_single(table, r, 3, volume, regional);
    };
    auto finish = [&] {
        append_total_row(table, {2, 3}, regional);
        remove_if_exists(state.workFile(file::kActivity));
        if (request.full) fill_affiliate_details(table, 4, false, state);
    };

    // An affiliate's network is read from the direct referrals and only its
    // members' sales are added up; the activity file is left unwritten, as
    // the report would delete it, but opened for writing as build_activity
    // opens it, so that a working file that cannot be written still fails
    // the report.
    if (id > 0) {
        const auto working = state.workFile(file::kActivity);
        platform::File probe;
        if (const int err = probe.open(working, platform::Mode::ReadWriteCreate); err != 0)
            throw FileError("write", working, err);
        probe.close();
        DirectReferrals referrals = DirectReferrals::open(state);
        if (id <= referrals.count()) {
            std::optional<Network> network =
                network_of(referrals, id, get_level(state, id), state.settings.levelsInUse, true,
                           request.range);
            if (!network) {
                referrals = DirectReferrals::build(state);
                network = network_of(referrals, id, get_level(state, id),
                                     state.settings.levelsInUse, true, request.range);
            }
            const std::vector<float> volumes =
                network_volumes(state, request.range, referrals.count(), *network, progress);
            const std::vector<NetworkMember>& members = network->members;
            progress.stage("Listing the activities", static_cast<int64_t>(members.size()),
                           "affiliates");
            for (size_t k = 0; k < members.size(); ++k) {
                if (k % 4096 == 0) progress.step(static_cast<int64_t>(k));
                list(members[k].id, members[k].level, members[k].registered, volumes[k]);
            }
            finish();
            return table;
        }
    }

    ReferralIndex index(activity_tree(state));
    const ReferralTree& tree = index.tree();
    const int32_t n = tree.count();
    const std::vector<ActivityRecord> activity =
        build_activity(state, request.range, tree, progress);
    // For an ID, its network is walked down the referrals, ranked as the
    // commissions climb.
    std::vector<int32_t> members;
    if (id > 0)
        for (const auto& [member, rank] : index.ranks(id, state.settings.levelsInUse,
                                                      [&](int32_t k) { return tree.contains(k); }))
            members.push_back(member);

    progress.stage("Listing the activities", id > 0 ? static_cast<int64_t>(members.size()) : n,
                   "affiliates");
    auto listRecord = [&](int64_t i) {
        const ActivityRecord& a = activity[static_cast<size_t>(i)];
        list(i, tree.levelOf(i), a.newReferrals, a.volume);
    };
    if (id > 0) {
        for (size_t k = 0; k < members.size(); ++k) {
            if (k % 4096 == 0) progress.step(static_cast<int64_t>(k));
            listRecord(members[k]);
        }
    } else {
        for (int64_t i = 1; i <= n; ++i) {
            if (i % 4096 == 0) progress.step(i);
            listRecord(i);
        }
    }
    finish();
    return table;
}

}  // namespace qdx
