#include "reports/report_building.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/files.h"
#include "core/record_file.h"
#include "core/tree.h"

namespace qdx {

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

void list_accounts(const AppState& state, const AccountTotals& totals,
                   const std::function<void(int64_t, float, float)>& visit, Progress& progress) {
    const auto n = static_cast<int64_t>(totals.income.size()) - 1;
    progress.stage("Listing the accounts", std::max<int64_t>(n, 0), "affiliates");
    for (int64_t k = 1; k <= n; ++k) {
        progress.step(k);
        const auto i = static_cast<size_t>(k);
        visit(k, totals.income[i], totals.paid[i]);
    }
    remove_if_exists(state.workFile(file::kAccounts));
}

}  // namespace qdx
