#include "reports/report_building.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/affiliate_lookup.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/tree.h"

namespace qdx {

AppState with_range(const AppState& state, const ReportRequest& request) {
    AppState ranged = state;
    ranged.datefrom = request.datefrom;
    ranged.dateto = request.dateto;
    return ranged;
}

namespace {

// Where the detail fields lie in a stored affiliate record, in column order:
// the cells are cut straight from the record's bytes, one allocation each.
struct FieldSpan {
    size_t offset, width;
};
constexpr FieldSpan kDetailFields[] = {
    {0, width::kName},    {20, width::kSurname}, {40, width::kStreet},
    {60, width::kCity},   {90, width::kCountry}, {80, width::kPostCod},
    {110, width::kPhone}, {125, width::kEmail},  {155, width::kUrl}};
constexpr size_t kLevelOffset = 213;

void write_details(std::vector<std::string>& row, size_t first, bool withLevel,
                   const uint8_t* record) {
    for (size_t i = 0; i < 9; ++i)
        row[first + i].assign(reinterpret_cast<const char*>(record) + kDetailFields[i].offset,
                              kDetailFields[i].width);
    if (withLevel) row[first + 9] = format_long(le::get_i32(record + kLevelOffset));
}

}  // namespace

void fill_affiliate_details(ReportTable& table, size_t firstColumn, bool withLevel,
                            const AppState& state) {
    static constexpr const char* kHeaders[] = {"Name",     "Surname", "Street", "City", "Country",
                                               "Post_Cod", "Phone",   "E_mail", "URL",  "Level"};
    const size_t details = withLevel ? 10 : 9;
    table.setColumnCount(firstColumn + details);
    for (size_t i = 0; i < details; ++i) table.cells[0][firstColumn + i] = kHeaders[i];

    const size_t endOfData = table.rowCount() - (table.hasTotalRow ? 1 : 0);
    if (endOfData <= 1) return;

    std::vector<int32_t> ids;
    ids.reserve(endOfData - 1);
    for (size_t r = 1; r < endOfData; ++r) ids.push_back(table.rowId(r));
    visit_affiliate_bytes(state, ids, [&](size_t i, const uint8_t* record) {
        write_details(table.cells[i + 1], firstColumn, withLevel, record);
    });
}

void read_and_delete_accounts(const AppState& state,
                              const std::function<void(int64_t, float, float)>& visit,
                              Progress& progress) {
    auto path = state.workFile(file::kAccounts);
    {
        RecordFile accounts(path, AccountRecord::kSize);
        // Records beyond the affiliates are left from a larger file, and
        // belong to nobody.
        const int64_t n = std::min<int64_t>(accounts.count(), count_affiliates(state));
        progress.stage("Listing the accounts", n, "affiliates");
        accounts.scan(1, n, [&](int64_t k, const uint8_t* bytes) {
            progress.step(k);
            visit(k, le::get_f32(bytes), le::get_f32(bytes + 4));
        });
    }
    remove_if_exists(path);
}

}  // namespace qdx
