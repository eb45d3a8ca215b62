// The AP performance report: sums month by month, at most 501 months.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "core/ole_date.h"
#include "reports/ap_periods.h"
#include "reports/report_asking.h"
#include "reports/report_export.h"
#include "reports/reports.h"
#include "reports/shown_numbers.h"
#include "support/test_support.h"

namespace qdx {
namespace {

double ymd(int y, int m, int d) { return ole_from_ymd(y, m, d); }

TEST(PeriodSplit, AtMost501Months) {
    // January 2000 + 500 months is September 2041.
    EXPECT_EQ(split_periods({ymd(2000, 1, 10), ymd(2041, 9, 30)}).size(), 501u);
    EXPECT_THROW(split_periods({ymd(2000, 1, 10), ymd(2041, 10, 1)}), ReportError);
}

class ApPerformanceTest : public ::testing::Test {
  protected:
    ApPerformanceTest() : state(folder.path()) {}
    test::TempFolder folder;
    AppState state;
    DateRange range{ymd(2003, 1, 15), ymd(2003, 3, 10)};
};

TEST_F(ApPerformanceTest, SumsByPeriodWithBothEndsIncluded) {
    test::write_money(state, file::kSales,
                      {{1, 100, ymd(2003, 1, 15)},
                       {2, 50.5f, ymd(2003, 1, 31)},
                       {1, 7, ymd(2003, 1, 14)},  // before the range
                       {3, 20, ymd(2003, 3, 10)},
                       {3, 99, ymd(2003, 3, 11)}});  // after it
    test::write_money(state, file::kPayments, {{1, 30.25f, ymd(2003, 3, 1)}});
    auto t = ask(state, range, ReportKind::ApPerformance);
    using Cells = std::vector<std::string>;
    ASSERT_EQ(t.rowCount(), 5u);
    EXPECT_EQ(t.rowTexts(1), (Cells{"15/01/2003", "31/01/2003", "150.5", "0", "150.5"}));
    EXPECT_EQ(t.rowTexts(2), (Cells{"01/02/2003", "28/02/2003", "0", "0", "0"}));
    EXPECT_EQ(t.rowTexts(3), (Cells{"01/03/2003", "10/03/2003", "20", "30.25", "-10.25"}));
    EXPECT_EQ(t.rowTexts(4), (Cells{" Total", "", "170.5", "30.25", "140.25"}));
}

// Enough sales in mixed date order for the months to be shared out among the
// cores: every month's sum is still its sales' chain in record order, each
// addition kept to the cell's seven digits (a float sum kept aside would drift).
TEST_F(ApPerformanceTest, EachMonthsRunningSumFollowsTheRecordOrderOnEveryCore) {
    std::mt19937 rng(3);
    std::vector<MoneyRecord> sales(200'000);
    // January (from the 15th), February, March (to the 10th): the sum as shown,
    // and the latest addition, which the cell holds.
    std::array<float, 3> shown{}, latest{};
    for (MoneyRecord& sale : sales) {
        sale = {1, static_cast<float>(rng() % 100'000) / 16.0f, range.from - 3 + rng() % 60};
        const int month = sale.date < ymd(2003, 2, 1) ? 0 : sale.date < ymd(2003, 3, 1) ? 1 : 2;
        if (!range.contains(sale.date)) continue;
        latest[month] = shown[month] + sale.sum;
        shown[month] = shown_single(latest[month], Regional());
    }
    test::write_money(state, file::kSales, sales);
    auto t = ask(state, range, ReportKind::ApPerformance);
    for (size_t month = 0; month < 3; ++month)
        EXPECT_EQ(t.number(month + 1, 2), shown_value(latest[month], Regional())) << month;
}

TEST_F(ApPerformanceTest, ReversedRangeGivesOneEmptyRowAndMissingFilesCountAsEmpty) {
    std::swap(range.from, range.to);
    auto t = ask(state, range, ReportKind::ApPerformance);
    ASSERT_EQ(t.rowCount(), 3u);
    EXPECT_EQ(t.text(1, 0), "10/03/2003");
    EXPECT_EQ(t.text(1, 1), "15/01/2003");
    EXPECT_EQ(t.text(1, 4), "0");
    const std::string text = export_text(t, ';', state);
    EXPECT_NE(text.find("\r\n Total;;0;0;0\r\n"), std::string::npos);
}

}  // namespace
}  // namespace qdx
