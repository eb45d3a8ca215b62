// Totals, HTML export and saving of a report table; the numbers behind the cells.
#include "reports/report_table.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "reports/report_building.h"
#include "support/test_support.h"

namespace qdx {
namespace {

class ReportTableTest : public ::testing::Test {
  protected:
    ReportTableTest() : state(folder.path()) {
        state.datefrom = ole_from_ymd(2003, 3, 1);
        state.dateto = ole_from_ymd(2003, 3, 31);
    }
    ReportTable twoColumns(std::initializer_list<std::pair<const char*, const char*>> rows) {
        ReportTable t;
        t.request = {ReportKind::PaymentsDue, state.datefrom, state.dateto};
        t.caption = "Payments_Report";
        t.setHeader(" Affiliate's ID     | Payments Due  ");
        // Each cell holds its text and the number that text reads back as.
        for (auto [id, sum] : rows) {
            t.appendRow();
            const size_t r = t.rowCount() - 1;
            t.put(r, 0, id, parse_number(id, state.regional).value_or(std::nan("")));
            t.put(r, 1, sum, parse_number(sum, state.regional).value_or(std::nan("")));
        }
        return t;
    }
    size_t filesInOutput() const {
        return static_cast<size_t>(
            std::distance(std::filesystem::directory_iterator(folder.path() / "output"), {}));
    }
    test::TempFolder folder;
    AppState state;
};

TEST_F(ReportTableTest, TotalOfNoRowsIsZeroAndNegativesCountNegatively) {
    auto empty = twoColumns({});
    append_total_row(empty, {1}, state.regional);
    EXPECT_EQ(empty.text(1, 0), " Total");
    EXPECT_EQ(empty.text(1, 1), "0");

    auto t = twoColumns({{"1", "10"}, {"2", "-37.3875"}});
    append_total_row(t, {1}, state.regional);
    EXPECT_EQ(t.text(2, 1), "-37.388");  // half to even on the decimal text
    EXPECT_EQ(t.text(3, 1), "-27.388");
}

TEST_F(ReportTableTest, TotalKeepsSevenDigitsBetweenAdditions) {
    // The running total lives in the cell text: 1234567 + 0.4 stays 1234567,
    // and so does every further 0.4; a float sum kept aside would grow.
    auto t = twoColumns({{"1", "1234567"}, {"2", "0.4"}, {"3", "0.4"}, {"4", "0.4"}});
    append_total_row(t, {1}, state.regional);
    EXPECT_EQ(t.text(5, 1), "1234567");
}

TEST_F(ReportTableTest, HtmlHasHeaderCellsOnlyInRowZero) {
    auto t = twoColumns({{"1", "a<b"}});
    EXPECT_EQ(export_html(t, state),
              "<html> <body>\r\n"
              "Payments_Report from 01/03/2003 to 31/03/2003\r\n"
              "<br>\r\n<br>\r\n"
              "<table cellpadding=2 border=3 align='left'> \r\n"
              "<tr>\r\n<th> Affiliate's ID     </th>\r\n<th> Payments Due  </th>\r\n</tr>\r\n"
              "<tr>\r\n<td>1</td>\r\n<td>a&lt;b</td>\r\n</tr>\r\n"
              "</body> </html>\r\n");
}

// Rows of uneven length, some 2.5 MB in all, so that several pieces are written.
ReportTable large_table(int rows = 30000) {
    ReportTable t;
    t.request = {ReportKind::Accounts, ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
    t.caption = "Accounts_Report";
    t.setHeader(" Affiliate's ID     | Income       | Name ");
    for (int i = 1; i <= rows; ++i)
        t.appendTextRow(
            {std::to_string(i), std::to_string(i * 7 % 1000) + ".25",
             std::string(static_cast<size_t>(i % 150), static_cast<char>('A' + i % 26))});
    return t;
}

TEST_F(ReportTableTest, LargeExportsAreSavedByteForByte) {
    const ReportTable t = large_table();
    const std::string expected = export_text(t, ';', state);
    ASSERT_GT(expected.size(), 2u << 20);
    auto path = save_text(t, ';', state);
    EXPECT_EQ(test::read_file(path), expected);
    EXPECT_EQ(test::read_file(save_html(t, state)), export_html(t, state));

    // Saved again over a longer file, nothing of the old one remains.
    ReportTable shorter = large_table(9);
    save_text(shorter, ';', state);
    EXPECT_EQ(test::read_file(path), export_text(shorter, ';', state));
    EXPECT_EQ(filesInOutput(), 2u);  // the text and html/: no temporary file
}

TEST_F(ReportTableTest, FailedSaveLeavesNoTemporaryFile) {
    // A folder where the export should go: the final rename must fail.
    std::filesystem::create_directories(folder.path() / "output" / "Accounts_Report.txt" / "x");
    EXPECT_THROW(save_text(large_table(), ';', state), FileError);
    EXPECT_TRUE(folder_exists(folder.path() / "output" / "Accounts_Report.txt" / "x"));
    EXPECT_EQ(filesInOutput(), 1u);
}

}  // namespace
}  // namespace qdx
