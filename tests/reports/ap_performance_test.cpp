// The AP performance report and its split of the range into months.
#include <gtest/gtest.h>

#include "core/ole_date.h"
#include "reports/ap_periods.h"
#include "reports/report_asking.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

double ymd(int y, int m, int d) { return ole_from_ymd(y, m, d); }

// The periods as "d.m.-d.m." pairs, for compact expectations.
std::vector<std::string> spans(double from, double to) {
    std::vector<std::string> out;
    for (const Period& p : split_periods(from, to)) {
        Ymd a = ymd_from_ole(p.start), b = ymd_from_ole(p.end);
        out.push_back(std::to_string(a.day) + "." + std::to_string(a.month) + "-" +
                      std::to_string(b.day) + "." + std::to_string(b.month));
    }
    return out;
}
using Spans = std::vector<std::string>;

TEST(PeriodSplit, FirstAndLastPeriodsArePartMonths) {
    EXPECT_EQ(spans(ymd(2003, 1, 15), ymd(2003, 3, 10)),
              (Spans{"15.1-31.1", "1.2-28.2", "1.3-10.3"}));
    EXPECT_EQ(spans(ymd(2024, 1, 15), ymd(2024, 3, 10)),
              (Spans{"15.1-31.1", "1.2-29.2", "1.3-10.3"}));
    EXPECT_EQ(spans(ymd(2003, 4, 3), ymd(2003, 4, 20)), (Spans{"3.4-20.4"}));
    EXPECT_EQ(spans(ymd(2003, 12, 20), ymd(2004, 1, 5)), (Spans{"20.12-31.12", "1.1-5.1"}));
}

TEST(PeriodSplit, LeapYearsByTheGregorianRule) {
    EXPECT_EQ(spans(ymd(2000, 2, 1), ymd(2000, 3, 1)).front(), "1.2-29.2");
    EXPECT_EQ(spans(ymd(1900, 2, 1), ymd(1900, 3, 1)).front(), "1.2-28.2");
    EXPECT_EQ(spans(ymd(2100, 2, 1), ymd(2100, 3, 1)).front(), "1.2-28.2");
}

TEST(PeriodSplit, WholeMonthsEndingOnAMonthsLastDayGiveNoExtraRow) {
    EXPECT_EQ(spans(ymd(2003, 3, 1), ymd(2003, 5, 31)),
              (Spans{"1.3-31.3", "1.4-30.4", "1.5-31.5"}));
    EXPECT_EQ(spans(ymd(2003, 3, 31), ymd(2003, 3, 31)), (Spans{"31.3-31.3"}));
}

TEST(PeriodSplit, ReversedRangeIsOnePeriodFromStartToEnd) {
    auto periods = split_periods(ymd(2003, 3, 10), ymd(2003, 1, 15));
    ASSERT_EQ(periods.size(), 1u);
    EXPECT_EQ(periods[0].start, ymd(2003, 3, 10));
    EXPECT_EQ(periods[0].end, ymd(2003, 1, 15));
}

TEST(PeriodSplit, AtMost501Months) {
    // January 2000 + 500 months is September 2041.
    EXPECT_EQ(split_periods(ymd(2000, 1, 10), ymd(2041, 9, 30)).size(), 501u);
    EXPECT_THROW(split_periods(ymd(2000, 1, 10), ymd(2041, 10, 1)), ReportError);
    try {
        split_periods(ymd(1950, 1, 1), ymd(2050, 1, 1));
        ADD_FAILURE() << "a range of a hundred years was not refused";
    } catch (const ReportError& e) {
        EXPECT_STREQ(e.what(), "The range is too long: at most 501 months");
    }
}

class ApPerformanceTest : public ::testing::Test {
  protected:
    ApPerformanceTest() : state(folder.path()) {
        state.datefrom = ymd(2003, 1, 15);
        state.dateto = ymd(2003, 3, 10);
    }
    test::TempFolder folder;
    AppState state;
};

TEST_F(ApPerformanceTest, SumsByPeriodWithBothEndsIncluded) {
    test::write_money(state, file::kSales,
                      {{1, 100, ymd(2003, 1, 15)},
                       {2, 50.5f, ymd(2003, 1, 31)},
                       {1, 7, ymd(2003, 1, 14)},  // before the range
                       {3, 20, ymd(2003, 3, 10)},
                       {3, 99, ymd(2003, 3, 11)}});  // after it
    test::write_money(state, file::kPayments, {{1, 30.25f, ymd(2003, 3, 1)}});
    auto t = ask(state, ReportKind::ApPerformance);
    EXPECT_EQ(t.caption, "AP_Performance_Report");
    EXPECT_FALSE(t.showRegisterPayments);
    EXPECT_EQ(t.printCols, 5);
    EXPECT_EQ(t.printPos[4], 50);
    using Cells = std::vector<std::string>;
    ASSERT_EQ(t.rowCount(), 5u);
    EXPECT_EQ(t.cells[0], (Cells{" From      ", "  To        ", " Sales        ", " Payments      ",
                                 " Income       "}));
    EXPECT_EQ(t.cells[1], (Cells{"15/01/2003", "31/01/2003", "150.5", "0", "150.5"}));
    EXPECT_EQ(t.cells[2], (Cells{"01/02/2003", "28/02/2003", "0", "0", "0"}));
    EXPECT_EQ(t.cells[3], (Cells{"01/03/2003", "10/03/2003", "20", "30.25", "-10.25"}));
    EXPECT_EQ(t.cells[4], (Cells{" Total", "", "170.5", "30.25", "140.25"}));
}

TEST_F(ApPerformanceTest, RunningSumsKeepSevenDigitsInTheCell) {
    // 1234567 + 0.4 stays 1234567 in the cell's text each time; a float sum
    // kept aside would reach 1234568.
    test::write_money(state, file::kSales,
                      {{1, 1234567, ymd(2003, 2, 1)},
                       {1, 0.4f, ymd(2003, 2, 2)},
                       {1, 0.4f, ymd(2003, 2, 3)},
                       {1, 0.4f, ymd(2003, 2, 4)}});
    auto t = ask(state, ReportKind::ApPerformance);
    EXPECT_EQ(t.cells[2][2], "1234567");
}

TEST_F(ApPerformanceTest, ReversedRangeGivesOneEmptyRowAndMissingFilesCountAsEmpty) {
    std::swap(state.datefrom, state.dateto);
    auto t = ask(state, ReportKind::ApPerformance);
    ASSERT_EQ(t.rowCount(), 3u);
    EXPECT_EQ(t.cells[1][0], "10/03/2003");
    EXPECT_EQ(t.cells[1][1], "15/01/2003");
    EXPECT_EQ(t.cells[1][4], "0");
    const std::string text = export_text(t, ';', state);
    EXPECT_NE(text.find("\r\n Total;;0;0;0\r\n"), std::string::npos);
}

}  // namespace
}  // namespace qdx
