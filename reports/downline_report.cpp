// Downline: everybody below an affiliate (or the whole network for ID 0),
// generation by generation, from the downline cache.
#include <string>

#include "core/affiliate_lookup.h"
#include "core/records.h"
#include "core/tree.h"
#include "reports/downline_cache.h"
#include "reports/report_building.h"
#include "reports/reports.h"

namespace qdx {

namespace {

void put_address(std::vector<std::string>& row, const AffiliateRecord& a) {
    row[6] = a.street;
    row[7] = a.city;
    row[8] = a.country;
    row[9] = a.postCod;
    row[10] = a.url;
}

}  // namespace

ReportTable downline_report(const AppState& state, const ReportRequest& request,
                            Progress& progress) {
    const int32_t id = request.id;
    const bool full = request.full;
    const int32_t n = count_affiliates(state);
    const int32_t rootLevel = get_level(state, id);
    check_downline(state, progress);
    // Room for everybody: only a referral cycle can outgrow it.
    const std::vector<int32_t> members = get_downline(state, id, static_cast<size_t>(n) + 5);

    ReportTable table = start_report(request);
    table.setHeader(" Sub-level  |  ID |Name     |Surname  | E-mail    |Phone  ");
    table.setPrintLayout({0, 7, 14, 25, 50, 65, 80}, 6);
    if (full) {
        table.setColumnCount(11);
        const char* extra[] = {"Street", "City", "Country", "Post_Cod", "URL"};
        for (size_t k = 0; k < 5; ++k) table.cells[0][6 + k] = extra[k];
    }
    for (size_t i = 0; i < members.size(); ++i) table.appendRow();

    // Members registered after the range's end keep an empty row. The full
    // form's address comes from the record the row's ID names.
    std::vector<size_t> renamedRows;
    std::vector<int32_t> renamedIds;
    progress.stage("Listing the downline", static_cast<int64_t>(members.size()), "affiliates");
    visit_affiliates(state, members, [&](size_t i, const AffiliateRecord& a) {
        progress.step(static_cast<int64_t>(i));
        // Tested as "on or before", so that a NaN date fails it here as on
        // the downline page.
        if (!(a.date <= request.dateto)) return;
        auto& row = table.cells[i + 1];
        row[0] = format_long(static_cast<int64_t>(a.level) - rootLevel);
        row[1] = format_long(a.id);
        row[2] = a.name;
        row[3] = a.surname;
        row[4] = a.email;
        row[5] = a.phone;
        if (!full) return;
        if (a.id == members[i]) {
            put_address(row, a);
        } else {
            renamedRows.push_back(i + 1);
            renamedIds.push_back(a.id);
        }
    });
    visit_affiliates(state, renamedIds, [&](size_t k, const AffiliateRecord& a) {
        put_address(table.cells[renamedRows[k]], a);
    });
    return table;
}

}  // namespace qdx
