// Downline: everybody below an affiliate (or the whole network for ID 0),
// generation by generation, from the downline cache.
#include <cstdint>
#include <string>
#include <vector>

#include "core/affiliate_lookup.h"
#include "core/records.h"
#include "core/tree.h"
#include "reports/downline_cache.h"
#include "reports/report_building.h"
#include "reports/reports.h"

namespace qdx {

namespace {

// The stored text of a field at its full width, as AffiliateRecord holds it;
// read straight from the record's bytes, as the rows need only a few fields.
void put_field(std::string& cell, const uint8_t* record, size_t offset, size_t width) {
    cell.assign(reinterpret_cast<const char*>(record + offset), width);
}

void put_address(std::vector<std::string>& row, const uint8_t* a) {
    put_field(row[6], a, 40, width::kStreet);
    put_field(row[7], a, 60, width::kCity);
    put_field(row[8], a, 90, width::kCountry);
    put_field(row[9], a, 80, width::kPostCod);
    put_field(row[10], a, 155, width::kUrl);
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
    visit_affiliate_bytes(state, members, [&](size_t i, const uint8_t* a) {
        progress.step(static_cast<int64_t>(i));
        // Tested as "on or before", so that a NaN date fails it here as on
        // the downline page.
        if (!(le::get_f64(a + 217) <= request.dateto)) return;
        const int32_t recordId = le::get_i32(a + 185);
        auto& row = table.cells[i + 1];
        row[0] = format_long(static_cast<int64_t>(le::get_i32(a + 213)) - rootLevel);
        row[1] = format_long(recordId);
        put_field(row[2], a, 0, width::kName);
        put_field(row[3], a, 20, width::kSurname);
        put_field(row[4], a, 125, width::kEmail);
        put_field(row[5], a, 110, width::kPhone);
        if (!full) return;
        if (recordId == members[i]) {
            put_address(row, a);
        } else {
            renamedRows.push_back(i + 1);
            renamedIds.push_back(recordId);
        }
    });
    visit_affiliate_bytes(state, renamedIds, [&](size_t k, const uint8_t* a) {
        put_address(table.cells[renamedRows[k]], a);
    });
    return table;
}

}  // namespace qdx
