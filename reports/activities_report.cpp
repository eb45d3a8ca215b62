// Activities: every affiliate that sold something or brought in new direct
// referrals in the range; for an ID, that affiliate and its network down to
// the commission levels in use.
#include <algorithm>
#include <string>

#include "core/accounts.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/tree.h"
#include "reports/report_building.h"
#include "reports/reports.h"

namespace qdx {

ReportTable activities_report(const AppState& shared, const ReportRequest& request,
                              Progress& progress) {
    const AppState state = with_range(shared, request);
    const int32_t id = request.id;
    ReportTable table = start_report(request);

    build_activity(state, progress);
    table.setHeader(
        " Affiliate's ID     | Level  | Number of Subaffiliates      | Volume of Sales       ");
    table.setPrintLayout({0, 15, 25, 56}, 4);

    const Regional& regional = state.regional;
    const ReferralTree tree = ReferralTree::load(state);
    const int32_t levels = state.settings.levelsInUse;
    const auto activityPath = state.workFile(file::kActivity);
    {
        RecordFile activity(activityPath, ActivityRecord::kSize);
        // Only the affiliates' records: any beyond are left from a larger file.
        const int64_t n = std::min<int64_t>(activity.count(), tree.count());
        progress.stage("Listing the activities", n, "affiliates");
        activity.scan(1, n, [&](int64_t i, const uint8_t* bytes) {
            progress.step(i);
            if (id > 0 && tree.subLevel(id, static_cast<int32_t>(i), levels) == 0) return;
            const ActivityRecord a = ActivityRecord::decode(bytes);
            if (a.volume == 0 && a.newReferrals == 0) return;
            table.appendRow();
            const size_t r = table.rowCount() - 1;
            put_long(table, r, 0, i);
            put_long(table, r, 1, tree.levelOf(i));
            put_long(table, r, 2, a.newReferrals);
            put_single(table, r, 3, a.volume, regional);
        });
    }
    append_total_row(table, {2, 3}, regional);
    remove_if_exists(activityPath);

    if (request.full) fill_affiliate_details(table, 4, false, state);
    return table;
}

}  // namespace qdx
