// The full forms' detail columns, cut from the stored affiliate records.
#include <gtest/gtest.h>

#include "core/ole_date.h"
#include "core/text_field.h"
#include "reports/report_building.h"
#include "support/test_support.h"

namespace qdx {
namespace {

// Every field different, so that a column taken from the wrong place shows.
AffiliateRecord distinct_affiliate(int32_t id) {
    AffiliateRecord a = test::affiliate(id, 0, 3 + id, ole_from_ymd(2003, 1, 1));
    const std::string n = std::to_string(id);
    a.name = "Name" + n;
    a.surname = "Surname" + n;
    a.street = "Street" + n;
    a.city = "City" + n;
    a.postCod = "PC" + n;
    a.country = "Country" + n;
    a.phone = "555-" + n;
    a.email = "mail" + n + "@example.com";
    a.url = "www.example.com/" + n;
    a.additionalInfo = "Info" + n;
    return a;
}

TEST(DetailColumns, EachColumnHoldsItsFieldAtFullWidth) {
    test::TempFolder folder;
    AppState state(folder.path());
    std::vector<AffiliateRecord> stored;
    for (int32_t id = 1; id <= 4; ++id) stored.push_back(distinct_affiliate(id));
    test::write_affiliates(state, stored);

    ReportTable t;
    t.setHeader("ID");
    // Out of order, twice the same, one past the file's end and one not a number.
    for (int id : {3, 1, 3, 9}) {
        t.appendRow();
        put_long(t, t.rowCount() - 1, 0, id);
    }
    t.appendRow()[0] = "x";
    fill_affiliate_details(t, 1, true, state);

    ASSERT_EQ(t.columnCount(), 11u);
    EXPECT_EQ(t.cells[0][6], "Post_Cod");
    EXPECT_EQ(t.cells[0][10], "Level");
    for (size_t row : {1u, 2u, 3u}) {
        const AffiliateRecord& a = stored[static_cast<size_t>(std::stoi(t.cells[row][0]) - 1)];
        const std::vector<std::string> expected = {
            fit_field(a.name, width::kName),       fit_field(a.surname, width::kSurname),
            fit_field(a.street, width::kStreet),   fit_field(a.city, width::kCity),
            fit_field(a.country, width::kCountry), fit_field(a.postCod, width::kPostCod),
            fit_field(a.phone, width::kPhone),     fit_field(a.email, width::kEmail),
            fit_field(a.url, width::kUrl),         std::to_string(a.level)};
        EXPECT_EQ(std::vector<std::string>(t.cells[row].begin() + 1, t.cells[row].end()), expected)
            << "row " << row;
    }
    // Affiliates the file does not hold read as an all-zero record.
    for (size_t row : {4u, 5u}) {
        EXPECT_EQ(t.cells[row][1], std::string(width::kName, '\0'));
        EXPECT_EQ(t.cells[row][9], std::string(width::kUrl, '\0'));
        EXPECT_EQ(t.cells[row][10], "0");
    }
}

}  // namespace
}  // namespace qdx
