// Where a chart's parts go: value scales that cover every value and 0 in
// round steps, labels along the base that never overlap, columns from the
// zero line, lines with dots while they are few, and a legend that fits.
// Texts are measured at 7 pixels a character, so that no font is needed.
#include "reports/chart/chart_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qdx::chart {
namespace {

TextMetrics fixed_metrics() {
    const auto width = [](const std::string& text) {
        return 7.0 * static_cast<double>(text.size());
    };
    return {width, width, 15};
}

ChartData chart(ReportKind kind, size_t categories, std::vector<std::vector<double>> series) {
    ChartData data;
    data.kind = kind;
    data.title = "Chart";
    data.categoryAxis = "Month";
    data.valueAxis = "Amount ($)";
    for (size_t i = 0; i < categories; ++i)
        data.categories.push_back(kind == ReportKind::ApPerformance
                                      ? "01/01/" + std::to_string(2000 + i)
                                      : std::to_string(i + 1));
    for (size_t s = 0; s < series.size(); ++s)
        data.series.push_back({"Series " + std::to_string(s), std::move(series[s])});
    return data;
}

ChartLayout lay_out(const ChartData& data, ChartStyle style = ChartStyle::Columns,
                    double width = 1000, double height = 600, const Regional& regional = {}) {
    return lay_out_chart(data, style, width, height, fixed_metrics(), regional);
}

std::vector<std::string> tick_labels(const ChartLayout& layout) {
    std::vector<std::string> labels;
    for (const ValueTick& t : layout.ticks) labels.push_back(t.label);
    return labels;
}

TEST(ChartScale, CoversTheValuesAndZeroInRoundStepsFromThePlotsBottomToItsTop) {
    const ChartLayout money =
        lay_out(chart(ReportKind::ApPerformance, 3, {{68.95, 4109.29, -436.89}}));
    EXPECT_EQ(tick_labels(money),
              (std::vector<std::string>{"-1000", "0", "1000", "2000", "3000", "4000", "5000"}));
    EXPECT_DOUBLE_EQ(money.ticks.front().y, money.plot.bottom());
    EXPECT_DOUBLE_EQ(money.ticks.back().y, money.plot.top);

    // Nothing but zeros: a scale of its own, its fractions written regionally.
    Regional comma;
    comma.decimalSeparator = ',';
    const ChartLayout zeros = lay_out(chart(ReportKind::IncomeStructure, 4, {{0, 0, 0, 0}}),
                                      ChartStyle::Columns, 1000, 600, comma);
    EXPECT_EQ(tick_labels(zeros), (std::vector<std::string>{"0", "0,2", "0,4", "0,6", "0,8", "1"}));
    EXPECT_TRUE(zeros.bars.empty()) << "a value of 0 has no column";

    // Only losses: the scale reaches down to them and up to 0.
    const ChartLayout losses = lay_out(chart(ReportKind::ApPerformance, 2, {{-0.5, -0.03}}));
    EXPECT_EQ(tick_labels(losses),
              (std::vector<std::string>{"-0.5", "-0.4", "-0.3", "-0.2", "-0.1", "0"}));

    // Affiliates are counted in whole numbers, however few.
    EXPECT_EQ(tick_labels(lay_out(chart(ReportKind::Network, 2, {{1, 0}}))),
              (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(tick_labels(lay_out(chart(ReportKind::Network, 2, {{3, 7}}))),
              (std::vector<std::string>{"0", "2", "4", "6", "8"}));

    // A value that is not a number leaves the scale as the others make it.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(value_ticks(chart(ReportKind::Network, 3, {{nan, 5, INFINITY}})),
              (std::vector<double>{0, 1, 2, 3, 4, 5}));
}

TEST(ChartBaseLabels, NeverOverlapAndMonthsKeepToQuartersAndYears) {
    for (size_t months : {1, 3, 13, 60, 501})
        for (double width : {320.0, 1000.0, 2000.0}) {
            const ChartLayout layout =
                lay_out(chart(ReportKind::ApPerformance, months, {std::vector<double>(months, 1)}),
                        ChartStyle::Columns, width);
            const int step = layout.labelStep;
            EXPECT_TRUE(step == 1 || step == 2 || step == 3 || step == 6 || step % 12 == 0)
                << months << " months, " << width << " px: every " << step;
            ASSERT_FALSE(layout.labels.empty());
            EXPECT_EQ(layout.labels.front().category, 0u);
            EXPECT_EQ(layout.labels.size(), (months + step - 1) / static_cast<size_t>(step));
            for (size_t i = 1; i < layout.labels.size(); ++i)
                EXPECT_GE(layout.labels[i].x - layout.labels[i - 1].x, 7 * 10 + kLabelGap)
                    << months << " months, " << width << " px";
        }
    // Levels need no calendar: every second one when every one does not fit.
    ChartData levels = chart(ReportKind::Network, 10, {std::vector<double>(10, 1)});
    for (auto& c : levels.categories) c = "Level " + c;  // 49 to 56 pixels wide
    EXPECT_EQ(lay_out(levels, ChartStyle::Columns, 1000).labelStep, 1);
    EXPECT_EQ(lay_out(levels, ChartStyle::Columns, 700).labelStep, 2);
    // A wide window shows every month; a narrow one fewer, never too many.
    EXPECT_EQ(label_step(chart(ReportKind::ApPerformance, 12, {}), 1200, 70), 1);
    EXPECT_EQ(label_step(chart(ReportKind::ApPerformance, 12, {}), 400, 70), 3);
    EXPECT_EQ(label_step(chart(ReportKind::ApPerformance, 501, {}), 880, 70), 48);
}

TEST(ChartColumns, StandSideBySideFromTheZeroLineWithinTheirCategory) {
    const ChartLayout layout =
        lay_out(chart(ReportKind::ApPerformance, 3, {{100, 200, 0}, {-50, 25, 300}}));
    ASSERT_EQ(layout.bars.size(), 5u);  // the 0 has none
    const double zero = layout.ticks[1].y;
    ASSERT_EQ(layout.ticks[1].value, 0);
    const double slot = layout.plot.width / 3;
    for (const Bar& bar : layout.bars) {
        EXPECT_GT(bar.box.height, 0);
        EXPECT_TRUE(std::abs(bar.box.top - zero) < 1e-9 || std::abs(bar.box.bottom() - zero) < 1e-9)
            << bar.series << " " << bar.category;
        // Inside its category's slot, the first series on the left.
        const double slotLeft = layout.plot.left + static_cast<double>(bar.category) * slot;
        EXPECT_GE(bar.box.left, slotLeft);
        EXPECT_LE(bar.box.right(), slotLeft + slot + 1e-9);
        EXPECT_LE(bar.box.top, layout.plot.bottom());
        EXPECT_GE(bar.box.top, layout.plot.top);
    }
    const Bar& loss = layout.bars[2];  // series 1, category 0
    ASSERT_EQ(loss.series, 1u);
    ASSERT_EQ(loss.category, 0u);
    EXPECT_EQ(loss.box.top, zero) << "a negative value hangs below the zero line";
    EXPECT_LT(layout.bars[0].box.right(), loss.box.left + 1e-9);
    // Heights in proportion to the values.
    EXPECT_NEAR(layout.bars[1].box.height, 2 * layout.bars[0].box.height, 1e-9);
    EXPECT_NEAR(layout.bars[0].box.height, 2 * loss.box.height, 1e-9);
}

TEST(ChartLines, OnePointIsADotManyPointsGoWithoutAndGapsBreakTheLine) {
    const ChartLayout one =
        lay_out(chart(ReportKind::IncomeStructure, 1, {{42}}), ChartStyle::Lines);
    ASSERT_EQ(one.lines.size(), 1u);
    ASSERT_EQ(one.lines[0].pieces.size(), 1u);
    ASSERT_EQ(one.lines[0].pieces[0].size(), 1u);
    EXPECT_TRUE(one.lines[0].dots);
    EXPECT_NEAR(one.lines[0].pieces[0][0].x, one.plot.left + one.plot.width / 2, 1e-9);
    EXPECT_TRUE(one.bars.empty());

    std::vector<double> values(60, 10);
    values[20] = std::numeric_limits<double>::quiet_NaN();
    const ChartLayout many =
        lay_out(chart(ReportKind::ApPerformance, 60, {values, values}), ChartStyle::Lines);
    ASSERT_EQ(many.lines.size(), 2u);
    EXPECT_FALSE(many.lines[0].dots);
    ASSERT_EQ(many.lines[0].pieces.size(), 2u);
    EXPECT_EQ(many.lines[0].pieces[0].size(), 20u);
    EXPECT_EQ(many.lines[0].pieces[1].size(), 39u);
    for (const auto& piece : many.lines[1].pieces)
        for (size_t i = 1; i < piece.size(); ++i) EXPECT_GT(piece[i].x, piece[i - 1].x);
    EXPECT_TRUE(lay_out(chart(ReportKind::ApPerformance, 39, {std::vector<double>(39, 1)}),
                        ChartStyle::Lines)
                    .lines[0]
                    .dots);
}

TEST(ChartFrame, TitleAndLegendFitAndThePartsDoNotOverlap) {
    const ChartData data = chart(ReportKind::ApPerformance, 13, {{1}, {2}, {3}});
    for (auto [width, height] : {std::pair{1000.0, 600.0}, {420.0, 260.0}}) {
        const ChartLayout layout = lay_out(data, ChartStyle::Columns, width, height);
        EXPECT_LT(layout.title.bottom(), layout.plot.top);
        EXPECT_LT(layout.plot.bottom() + kTickLength, layout.labelsTop);
        EXPECT_LE(layout.labelsTop + 15, layout.baseTitle.top);
        ASSERT_EQ(layout.legend.size(), 3u);
        EXPECT_LT(layout.baseTitle.bottom(), layout.legend[0].text.top);
        EXPECT_LE(layout.legend.back().text.bottom(), height);
        EXPECT_LT(layout.valueTitle.right(), layout.plot.left);
        EXPECT_LE(layout.plot.right(), width);
        // Legend entries side by side, centred, each swatch before its text.
        EXPECT_NEAR(layout.legend.front().swatch.left, width - layout.legend.back().text.right(),
                    1e-9);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_LT(layout.legend[i].swatch.right(), layout.legend[i].text.left);
            if (i > 0) {
                EXPECT_LT(layout.legend[i - 1].text.right(), layout.legend[i].swatch.left);
            }
        }
    }
    // Too small for a chart: still a plot of at least a pixel, nothing undefined.
    const ChartLayout tiny = lay_out(data, ChartStyle::Lines, 30, 20);
    EXPECT_GE(tiny.plot.width, 1);
    EXPECT_GE(tiny.plot.height, 1);
    for (const ValueTick& t : tiny.ticks) EXPECT_TRUE(std::isfinite(t.y));
}

}  // namespace
}  // namespace qdx::chart
