#include "reports/report_building.h"

#include <algorithm>
#include <utility>
#include <vector>

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

void fill_affiliate_details(ReportTable& table, size_t firstColumn, bool withLevel,
                            const AppState& state) {
    static constexpr Field kFields[] = {Field::Name,    Field::Surname, Field::Street, Field::City,
                                        Field::Country, Field::PostCod, Field::Phone,  Field::Email,
                                        Field::Url,     Field::Level};
    static constexpr const char* kHeaders[] = {"Name",     "Surname", "Street", "City", "Country",
                                               "Post_Cod", "Phone",   "E_mail", "URL",  "Level"};
    const size_t details = withLevel ? 10 : 9;
    table.setColumnCount(firstColumn + details);
    for (size_t i = 0; i < details; ++i) {
        table.setText(0, firstColumn + i, kHeaders[i]);
        table.setDetailColumn(firstColumn + i, kFields[i]);
    }
    // The cells are read from the file when shown; it is opened (and made,
    // when missing) now, as a report that reads it.
    const auto path = state.dataFile(file::kAffiliates);
    open_input(path, AffiliateRecord::kSize);
    table.setAffiliatesFile(path);

    // Every data row shows the record its ID names (zeros when there is none).
    const size_t endOfData = table.rowCount() - (table.hasTotalRow ? 1 : 0);
    std::vector<int32_t>& numbers = table.recordNumbers();
    numbers.assign(std::max<size_t>(endOfData, 1), ReportTable::kNoRecord);
    for (size_t r = 1; r < endOfData; ++r) numbers[r] = table.rowId(r);
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
            visit(k, layout::get<layout::account::kIncome>(bytes),
                  layout::get<layout::account::kPayments>(bytes));
        });
    }
    remove_if_exists(path);
}

}  // namespace qdx
