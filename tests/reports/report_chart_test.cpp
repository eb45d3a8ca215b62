// The charts of AP Performance, Network Structure and Income Structure show
// the report's own figures: on a generated program, every value equals what
// the report exports (summed by sub-level for Income Structure).
#include "reports/report_chart.h"

#include <gtest/gtest.h>

#include <map>

#include "core/demo_program.h"
#include "core/regional.h"
#include "core/settings.h"
#include "reports/report_asking.h"
#include "reports/report_export.h"
#include "support/test_support.h"

namespace qdx {
namespace {

using Row = std::vector<std::string>;

// The text export's rows below the header, cut at the separator.
std::vector<Row> exported_rows(const ReportTable& table, const AppState& state) {
    const std::string text = export_text(table, ';', state);
    std::vector<Row> rows;
    size_t start = 0;
    for (int line = 0; start < text.size(); ++line) {
        const size_t end = text.find("\r\n", start);
        const std::string_view whole(text.data() + start, end - start);
        start = end + 2;
        if (line < 3) continue;  // title, empty line, header
        Row row;
        size_t from = 0;
        while (true) {
            const size_t cut = whole.find(';', from);
            row.emplace_back(whole.substr(from, cut - from));
            if (cut == std::string_view::npos) break;
            from = cut + 1;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

class ReportChartTest : public ::testing::Test {
  protected:
    // One program of 300 affiliates for every case; the reports only read it.
    static void SetUpTestSuite() {
        folder = new test::TempFolder;
        DemoOptions demo;
        demo.affiliates = 300;
        write_demo_program(folder->path(), demo);
    }
    static void TearDownTestSuite() { delete folder; }

    ReportChartTest() : state(folder->path()) {
        const DemoOptions demo;
        load_settings(state);
        // Regional texts, so that no figure could come from a parsed text by chance.
        state.regional.decimalSeparator = ',';
        state.regional.shortDateFormat = "dd.MM.yyyy";
        range = {demo.lastDay - 500, demo.lastDay};
    }
    double number(const std::string& text) {
        auto value = parse_number(text, state.regional);
        EXPECT_TRUE(value) << text;
        return value.value_or(-1);
    }
    static test::TempFolder* folder;
    AppState state;
    DateRange range;
};

test::TempFolder* ReportChartTest::folder = nullptr;

TEST_F(ReportChartTest, ApPerformanceChartsSalesPaymentsAndIncomeOfEveryPeriod) {
    const ReportTable table = ask(state, range, ReportKind::ApPerformance);
    const auto chart = chart_data(table, state);
    ASSERT_TRUE(chart);
    const auto rows = exported_rows(table, state);
    ASSERT_EQ(chart->categories.size(), rows.size() - 1);  // all but the Total row
    ASSERT_EQ(chart->series.size(), 3u);
    EXPECT_EQ(chart->series[0].name, "Sales");
    EXPECT_EQ(chart->valueAxis, "Amount ($)");  // the demo pays in $
    double sales = 0;
    for (size_t r = 0; r + 1 < rows.size(); ++r) {
        EXPECT_EQ(chart->categories[r], rows[r][0]);
        for (size_t s = 0; s < 3; ++s)
            EXPECT_EQ(chart->series[s].values[r], number(rows[r][s + 2])) << r << " " << s;
        sales += chart->series[0].values[r];
    }
    EXPECT_GT(sales, 0);
}

TEST_F(ReportChartTest, NetworkChartsAllAndNewAffiliatesPerLevelForTheNetworkAndAnAffiliate) {
    for (int32_t id : {0, 2}) {
        const ReportTable table = ask(state, range, ReportKind::Network, id);
        const auto chart = chart_data(table, state);
        ASSERT_TRUE(chart);
        const auto rows = exported_rows(table, state);
        ASSERT_EQ(chart->categories.size(), rows.size() - 1);
        ASSERT_GE(rows.size(), 4u);
        double all = 0;
        for (size_t r = 0; r + 1 < rows.size(); ++r) {
            EXPECT_EQ(chart->categories[r], rows[r][0]);
            EXPECT_EQ(chart->series[0].values[r], number(rows[r][1]));
            EXPECT_EQ(chart->series[1].values[r], number(rows[r][2]));
            all += chart->series[0].values[r];
        }
        EXPECT_EQ(all, number(rows.back()[1])) << "the levels add up to the Total";
    }
}

TEST_F(ReportChartTest, IncomeStructureChartsTheIncomeOfEachSubLevelInShortAndFullForm) {
    for (auto [id, full] : {std::pair{2, false}, {0, true}, {1, false}}) {
        const ReportTable table = ask(state, range, ReportKind::IncomeStructure, id, full);
        const auto chart = chart_data(table, state);
        ASSERT_TRUE(chart);
        std::map<size_t, double> income;
        const auto rows = exported_rows(table, state);
        for (size_t r = 0; r + 1 < rows.size(); ++r)
            income[static_cast<size_t>(number(rows[r][1]))] += number(rows[r][4]);
        ASSERT_FALSE(income.empty()) << id;
        ASSERT_EQ(chart->categories.size(), income.rbegin()->first + 1) << id;
        ASSERT_EQ(chart->series.size(), 1u);
        for (size_t level = 0; level < chart->categories.size(); ++level) {
            EXPECT_EQ(chart->categories[level], std::to_string(level));
            EXPECT_NEAR(chart->series[0].values[level], income[level], 1e-9) << id << " " << level;
        }
    }
}

TEST_F(ReportChartTest, TheOtherReportsHaveNoChart) {
    for (ReportKind kind : {ReportKind::Accounts, ReportKind::PaymentsDue, ReportKind::Activities,
                            ReportKind::Downline}) {
        EXPECT_FALSE(has_chart(kind));
        EXPECT_FALSE(chart_data(ask(state, range, kind, 2), state));
    }
}

}  // namespace
}  // namespace qdx
