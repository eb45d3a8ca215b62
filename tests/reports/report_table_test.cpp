#include "reports/report_table.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/files.h"
#include "core/ole_date.h"
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
    test::TempFolder folder;
    AppState state;
};

TEST_F(ReportTableTest, HeaderSplitsOnBarsKeepingBlanks) {
    ReportTable t;
    t.setHeader(" From      |  To        || Income ");
    ASSERT_EQ(t.columnCount(), 4u);
    EXPECT_EQ(t.cells[0][0], " From      ");
    EXPECT_EQ(t.cells[0][1], "  To        ");
    EXPECT_EQ(t.cells[0][2], "");
    EXPECT_EQ(t.cells[0][3], " Income ");
    t.appendRow();
    t.setColumnCount(6);
    EXPECT_EQ(t.cells[1].size(), 6u);
    EXPECT_EQ(t.cells[0][3], " Income ");
}

TEST_F(ReportTableTest, TotalSumsTheRoundedCells) {
    auto t = twoColumns({{"1", "12.3456"}, {"2", "5.25"}});
    append_total_row(t, {1}, state.regional);
    ASSERT_EQ(t.rowCount(), 4u);
    EXPECT_TRUE(t.hasTotalRow);
    EXPECT_EQ(t.cells[1][1], "12.346");
    EXPECT_EQ(t.cells[2][1], "5.25");
    EXPECT_EQ(t.cells[3][0], " Total");
    EXPECT_EQ(t.cells[3][1], "17.596");
}

TEST_F(ReportTableTest, TotalOfNoRowsIsZeroAndNegativesCountNegatively) {
    auto empty = twoColumns({});
    append_total_row(empty, {1}, state.regional);
    EXPECT_EQ(empty.cells[1][0], " Total");
    EXPECT_EQ(empty.cells[1][1], "0");

    auto t = twoColumns({{"1", "10"}, {"2", "-37.3875"}});
    append_total_row(t, {1}, state.regional);
    EXPECT_EQ(t.cells[2][1], "-37.388");  // half to even on the decimal text
    EXPECT_EQ(t.cells[3][1], "-27.388");
}

TEST_F(ReportTableTest, TotalKeepsSevenDigitsBetweenAdditions) {
    // The running total lives in the cell text: 1234567 + 0.4 stays 1234567,
    // and so does every further 0.4; a float sum kept aside would grow.
    auto t = twoColumns({{"1", "1234567"}, {"2", "0.4"}, {"3", "0.4"}, {"4", "0.4"}});
    append_total_row(t, {1}, state.regional);
    EXPECT_EQ(t.cells[5][1], "1234567");
}

TEST_F(ReportTableTest, TextExportKeepsBlanksAndEndsEveryLineWithCrLf) {
    auto t = twoColumns({{"1", "5.25"}});
    append_total_row(t, {1}, state.regional);
    EXPECT_EQ(export_text(t, ';', state),
              "Payments_Report from 01/03/2003 to 31/03/2003\r\n\r\n"
              " Affiliate's ID     ; Payments Due  \r\n1;5.25\r\n Total;5.25\r\n");
    EXPECT_EQ(export_text(t, ' ', state).substr(49),
              " Affiliate's ID       Payments Due  \r\n1 5.25\r\n Total 5.25\r\n");
}

TEST_F(ReportTableTest, DecimalCommaIsNotQuotedWithTheCommaSeparator) {
    state.regional.decimalSeparator = ',';
    state.regional.shortDateFormat = "dd.MM.yyyy";
    auto t = twoColumns({{"1", "12,3456"}, {"2", "5,25"}});
    append_total_row(t, {1}, state.regional);
    EXPECT_EQ(export_text(t, ',', state),
              "Payments_Report from 01.03.2003 to 31.03.2003\r\n\r\n"
              " Affiliate's ID     , Payments Due  \r\n1,12,346\r\n2,5,25\r\n Total,17,596\r\n");
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

TEST_F(ReportTableTest, SavesUnderTheTrimmedCaptionAndReplacesEarlierExports) {
    auto t = twoColumns({{"1", "5"}});
    t.caption = " Accounts_Report ";
    auto text = save_text(t, ';', state);
    auto html = save_html(t, state);
    EXPECT_EQ(text, folder.path() / "output" / "Accounts_Report.txt");
    EXPECT_EQ(html, folder.path() / "output" / "html" / "Accounts_Report.htm");
    EXPECT_EQ(test::read_file(text), export_text(t, ';', state));
    EXPECT_EQ(test::read_file(html), export_html(t, state));

    t.request.datefrom = ole_from_ymd(2004, 1, 1);
    t.cells[1][1] = "6";
    save_text(t, ';', state);
    save_html(t, state);
    EXPECT_EQ(test::read_file(text), export_text(t, ';', state));
    EXPECT_EQ(test::read_file(html), export_html(t, state));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path() / "output"),
                            std::filesystem::directory_iterator()),
              2);  // the .txt and html/, no temporary files left
}

}  // namespace
}  // namespace qdx
