// Downline: everybody below an affiliate (or the whole network for ID 0),
// generation by generation, from the downline cache.
#include <cstdint>
#include <string>
#include <vector>

#include "core/affiliate_lookup.h"
#include "core/downline_cache.h"
#include "core/records.h"
#include "core/tree.h"
#include "reports/report_building.h"
#include "reports/reports.h"

namespace qdx {

ReportTable downline_report(const AppState& state, const ReportRequest& request,
                            Progress& progress) {
    const int32_t id = request.id;
    const bool full = request.full;
    const int32_t n = count_affiliates(state);
    const int32_t rootLevel = get_level(state, id);
    refresh_downline_cache(state, progress);
    // Room for everybody: only a referral cycle can outgrow it.
    const std::vector<int32_t> members = get_downline(state, id, static_cast<size_t>(n) + 5);

    ReportTable table = start_report(request);
    table.setHeader(" Sub-level  |  ID |Name     |Surname  | E-mail    |Phone  ");
    table.setPrintLayout({0, 7, 14, 25, 50, 65, 80}, 6);
    // The ID and names come from each member's record, the full form's
    // address from the record its ID names (list 1).
    table.setDetailColumn(1, Field::AffiliateId);
    constexpr Field kNames[] = {Field::Name, Field::Surname, Field::Email, Field::Phone};
    for (size_t k = 0; k < 4; ++k) table.setDetailColumn(2 + k, kNames[k]);
    if (full) {
        table.setColumnCount(11);
        const char* extra[] = {"Street", "City", "Country", "Post_Cod", "URL"};
        constexpr Field kAddress[] = {Field::Street, Field::City, Field::Country, Field::PostCod,
                                      Field::Url};
        for (size_t k = 0; k < 5; ++k) {
            table.setText(0, 6 + k, extra[k]);
            table.setDetailColumn(6 + k, kAddress[k], 1);
        }
    }
    table.setAffiliatesFile(state.dataFile(file::kAffiliates));
    for (size_t i = 0; i < members.size(); ++i) table.appendRow();
    std::vector<int32_t>& names = table.recordNumbers(0);
    names.assign(members.size() + 1, ReportTable::kNoRecord);
    std::vector<int32_t>* address = full ? &table.recordNumbers(1) : nullptr;
    if (address) address->assign(members.size() + 1, ReportTable::kNoRecord);

    // Members registered after the range's end keep an empty row.
    progress.stage("Listing the downline", static_cast<int64_t>(members.size()), "affiliates");
    visit_affiliate_bytes(state, members, [&](size_t i, const uint8_t* bytes) {
        progress.step(static_cast<int64_t>(i));
        // Tested as "on or before", so that a NaN date fails it here as on
        // the downline page.
        if (!(layout::get<layout::affiliate::kDate>(bytes) <= request.range.to)) return;
        const int32_t level = layout::get<layout::affiliate::kLevel>(bytes);
        const int32_t memberId = layout::get<layout::affiliate::kId>(bytes);
        const size_t r = i + 1;
        put_label(table, r, 0, static_cast<int64_t>(level) - rootLevel);
        names[r] = members[i];
        if (address) (*address)[r] = memberId;
    });
    return table;
}

}  // namespace qdx
