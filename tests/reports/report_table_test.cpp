// Totals, HTML export and saving of a report table; the numbers behind the cells.
#include "reports/report_table.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "reports/report_building.h"
#include "reports/report_export.h"
#include "reports/report_sort.h"
#include "reports/report_totals.h"
#include "reports/shown_numbers.h"
#include "support/test_support.h"

namespace qdx {
namespace {

class ReportTableTest : public ::testing::Test {
  protected:
    ReportTableTest() : state(folder.path()) {}
    ReportTable twoColumns(std::initializer_list<std::pair<const char*, const char*>> rows) {
        ReportTable t;
        t.request = {ReportKind::PaymentsDue, range};
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
    DateRange range{ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
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

// Rows of uneven length, some 2.5 MB in all, so that several pieces are written;
// a streamed file must be the whole text, byte for byte.
ReportTable large_table(int rows = 30000) {
    ReportTable t;
    t.request = {ReportKind::Accounts, ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
    t.caption = "Accounts_Report";
    t.setHeader(" Affiliate's ID     | Income       | Name ");
    const Regional regional;
    for (int i = 1; i <= rows; ++i) {
        const size_t r = t.appendRow();
        put_long(t, r, 0, i);
        put_single(t, r, 1, static_cast<float>(i * 7 % 1000) + 0.25f, regional);
        t.setText(r, 2, std::string(static_cast<size_t>(i % 150), static_cast<char>('A' + i % 26)));
    }
    append_total_row(t, {1}, regional);
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

// Each detail column shows its own field of the record its row names, in
// whichever order the fields come, and a sort carries every cell of a row
// with it: numbers, detail records (of both lists) and texts kept as text.
TEST_F(ReportTableTest, DetailColumnsShowTheirOwnFieldsAndSortingKeepsRowsWhole) {
    std::vector<AffiliateRecord> records;
    for (int32_t id = 1; id <= 3; ++id) {
        AffiliateRecord a = test::affiliate(id, 0, 10 * id, 37000, "N" + std::to_string(id));
        a.postCod = "P" + std::to_string(id);
        a.country = "C" + std::to_string(id);
        a.url = "u" + std::to_string(id);
        records.push_back(a);
    }
    test::write_affiliates(state, records);
    ReportTable t;
    t.setHeader("ID|Country|Post_Cod|Level|Name|URL of the other|Note");
    t.setAffiliatesFile(state.dataFile(file::kAffiliates));
    t.setDetailColumn(1, Field::Country);
    t.setDetailColumn(2, Field::PostCod);
    t.setDetailColumn(3, Field::Level);
    t.setDetailColumn(4, Field::Name);
    t.setDetailColumn(5, Field::Url, 1);
    EXPECT_THROW(t.setDetailColumn(6, Field::Date), std::logic_error);
    const int32_t ids[] = {3, 1, 2};
    t.recordNumbers(0).assign(4, ReportTable::kNoRecord);
    t.recordNumbers(1).assign(4, ReportTable::kNoRecord);
    for (size_t r = 1; r <= 3; ++r) {
        t.appendRow();
        put_long(t, r, 0, ids[r - 1]);
        t.recordNumbers(0)[r] = ids[r - 1];
        t.recordNumbers(1)[r] = 4 - ids[r - 1];  // the other affiliate's URL
        if (ids[r - 1] != 2) t.setText(r, 6, "note " + std::to_string(ids[r - 1]));
    }
    auto row = [&](size_t r) {
        std::string line;
        for (size_t c = 0; c < t.columnCount(); ++c) line += t.text(r, c) + "|";
        return line;
    };
    const std::string pad18(18, ' '), pad19(19, ' '), pad8(8, ' '), pad28(28, ' ');
    const std::string third =
        "3|C3" + pad18 + "|P3" + pad8 + "|30|N3" + pad18 + "|u1" + pad28 + "|note 3|";
    EXPECT_EQ(row(1), third);

    sort_rows(t, 1, 4, 0);
    EXPECT_EQ(row(1),
              "1|C1" + pad18 + "|P1" + pad8 + "|10|N1" + pad18 + "|u3" + pad28 + "|note 1|");
    EXPECT_EQ(row(2), "2|C2" + pad18 + "|P2" + pad8 + "|20|N2" + pad18 + "|u2" + pad28 + "||");
    EXPECT_EQ(row(3), third);
    EXPECT_EQ(t.rowId(3), 3);
    // Sorted by a text column: the empty cell first, then by bytes.
    sort_rows(t, 1, 4, 6);
    EXPECT_EQ(t.rowId(1), 2);
    EXPECT_EQ(t.rowId(2), 1);
    EXPECT_EQ(t.text(2, 5), "u3" + pad28);
}

// The cells' numbers are worked out without writing and reading their texts;
// they must have the very bits the texts read back as, and the texts written
// from them must be the texts themselves, for every kind of value a report
// meets: amounts in cents, sums of floats, 7-digit ties, any float at all.
TEST(ShownNumbersTest, NumbersAndTextsAreThoseOfTheTextPath) {
    std::mt19937_64 random(20261206);
    auto single = [&](int kind) -> float {
        const uint64_t u = random();
        switch (kind) {
            case 0:  // any float but NaN (infinities among them)
                for (float f = std::bit_cast<float>(static_cast<uint32_t>(u));;
                     f = std::bit_cast<float>(static_cast<uint32_t>(random())))
                    if (!std::isnan(f)) return f;
            case 1:  // cents
                return static_cast<float>(static_cast<int64_t>(u % 2000000001) - 1000000000) / 100;
            case 2:  // sums and differences of amounts
                return static_cast<float>(u % 100000000) / 1000 -
                       static_cast<float>((u >> 32) % 10000000) / 7;
            default:  // halves at the 8th digit and dyadic fractions
                return (u & 1)
                           ? static_cast<float>(10000005 + 10 * static_cast<int64_t>(u % 900000))
                           : static_cast<float>(static_cast<int64_t>(u % 4000000) - 2000000) /
                                 static_cast<float>(1 << (u >> 40) % 24);
        }
    };
    auto amount = [&](int kind) -> double {
        const uint64_t u = random();
        switch (kind) {
            case 0:  // thousandths and halves of them
                return (static_cast<double>(u % 2000000001) - 1e9) / 2000;
            case 1:  // products of rewards and sales
                return static_cast<double>(single(1)) * static_cast<double>(single(2)) / 100;
            case 2:  // large and tiny
                return std::ldexp(static_cast<double>(u >> 11), static_cast<int>(u % 100) - 80);
            default:
                return std::bit_cast<double>(u);
        }
    };
    Regional comma;
    comma.decimalSeparator = ',';
    for (const Regional& regional : {Regional(), comma}) {
        ReportTable t;
        t.setHeader("a|b");
        t.appendRow();
        for (int i = 0; i < 400000; ++i) {
            const float f = single(i % 4);
            const std::string text = format_single(f, regional);
            // An infinity is shown as such and stays one, never read back as 0.
            const double back = std::isfinite(f) ? parse_number(text, regional).value_or(0) : f;
            ASSERT_EQ(std::bit_cast<uint64_t>(shown_value(f, regional)),
                      std::bit_cast<uint64_t>(back))
                << text;
            put_single(t, 1, 0, f, regional);
            ASSERT_EQ(t.text(1, 0), text);
            ASSERT_EQ(std::bit_cast<uint64_t>(t.number(1, 0)), std::bit_cast<uint64_t>(back));

            const double d = amount(i % 4);
            // NaN and infinities show as "NaN", "inf" and "-inf" and keep their
            // value; a number too large for thousandths has no decimals to round.
            const std::string rounded = !std::isfinite(d)          ? non_finite_text(d)
                                        : std::isfinite(round3(d)) ? round3_double(d, regional)
                                                                   : format_double(d, regional);
            put_rounded(t, 1, 1, d, regional);
            ASSERT_EQ(t.text(1, 1), rounded) << d;
            const double value = std::isfinite(d) ? parse_number(rounded, regional).value_or(0) : d;
            ASSERT_EQ(std::bit_cast<uint64_t>(t.number(1, 1)), std::bit_cast<uint64_t>(value))
                << rounded;
        }
    }
}

}  // namespace
}  // namespace qdx
