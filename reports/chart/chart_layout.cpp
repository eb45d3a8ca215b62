#include "reports/chart/chart_layout.h"

#include <algorithm>
#include <cmath>

namespace qdx::chart {

namespace {

constexpr double kMargin = 24;        // round the whole chart
constexpr double kRightMargin = 30;   // room for the last base label to stand out
constexpr double kGap = 8;            // between an axis' labels and its title
constexpr double kColumnShare = 0.8;  // of a category's width, for its columns
constexpr double kLegendGap = 16;     // between two legend entries
constexpr size_t kMostDots = 40;      // more points than this are drawn without dots

}  // namespace

std::vector<double> value_ticks(const ChartData& data) {
    double low = 0, high = 0;
    for (const auto& s : data.series)
        for (double v : s.values)
            if (std::isfinite(v)) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
    if (high <= low) high = low + 1;
    const double raw = (high - low) / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power * 10;
    for (double m : {1.0, 2.0, 5.0})
        if (power * m >= raw) {
            step = power * m;
            break;
        }
    if (data.kind == ReportKind::Network) step = std::max(step, 1.0);
    std::vector<double> ticks;
    const auto first = static_cast<long long>(std::floor(low / step));
    const auto last = static_cast<long long>(std::ceil(high / step));
    for (long long k = first; k <= last; ++k) ticks.push_back(static_cast<double>(k) * step);
    return ticks;
}

int label_step(const ChartData& data, double plotWidth, double labelWidth) {
    const auto n = static_cast<double>(data.categories.size());
    if (n == 0 || plotWidth <= 0) return 1;
    const double wanted = std::ceil(n * (labelWidth + kLabelGap) / plotWidth);
    if (wanted <= 1) return 1;
    const int needed = static_cast<int>(std::min(wanted, n));
    if (data.kind != ReportKind::ApPerformance) return needed;
    for (int months : {2, 3, 6, 12})
        if (months >= needed) return months;
    return (needed + 11) / 12 * 12;
}

ChartLayout lay_out_chart(const ChartData& data, ChartStyle style, double width, double height,
                          const TextMetrics& metrics, const Regional& regional) {
    ChartLayout layout;
    const double line = metrics.height;
    layout.title = {kMargin, kMargin, std::max(width - 2 * kMargin, 1.0), line};

    // From the bottom up: the legend, the base's title, its labels, the plot.
    const double legendTop = height - kMargin - line;
    layout.baseTitle.top = legendTop - 2 * kGap - line;
    layout.labelsTop = layout.baseTitle.top - kGap / 2 - line;
    Box& plot = layout.plot;
    plot.top = layout.title.bottom() + kGap;
    plot.height = std::max(layout.labelsTop - kTickLength - 3 - plot.top, 1.0);

    // From the left: the value axis' title, its labels, the plot.
    const std::vector<double> ticks = value_ticks(data);
    double widest = 0;
    for (double t : ticks) {
        layout.ticks.push_back({t, 0, format_double(t, regional)});
        widest = std::max(widest, metrics.width(layout.ticks.back().label));
    }
    layout.valueTitle = {kMargin, plot.top, line, plot.height};
    plot.left = layout.valueTitle.right() + kGap + widest + kTickLength + 4;
    plot.width = std::max(width - kRightMargin - plot.left, 1.0);
    layout.baseTitle.left = plot.left;
    layout.baseTitle.width = plot.width;
    layout.baseTitle.height = line;

    const double low = ticks.front(), high = ticks.back();
    const auto y = [&](double v) { return plot.bottom() - (v - low) / (high - low) * plot.height; };
    for (ValueTick& t : layout.ticks) t.y = y(t.value);

    const size_t n = data.categories.size();
    const double slot = plot.width / static_cast<double>(std::max<size_t>(n, 1));
    const auto x = [&](size_t i) { return plot.left + (static_cast<double>(i) + 0.5) * slot; };
    double widestLabel = 0;
    for (const std::string& c : data.categories)
        widestLabel = std::max(widestLabel, metrics.width(c));
    layout.labelStep = label_step(data, plot.width, widestLabel);
    for (size_t i = 0; i < n; i += static_cast<size_t>(layout.labelStep))
        layout.labels.push_back({i, x(i), data.categories[i]});

    const size_t count = data.series.size();
    if (style == ChartStyle::Columns) {
        const double group = slot * kColumnShare;
        const double column = group / static_cast<double>(std::max<size_t>(count, 1));
        const double zero = y(0);
        for (size_t s = 0; s < count; ++s) {
            const auto& values = data.series[s].values;
            for (size_t i = 0; i < std::min(n, values.size()); ++i) {
                if (!std::isfinite(values[i]) || values[i] == 0) continue;  // no column
                const double top = std::min(zero, y(values[i]));
                layout.bars.push_back({s,
                                       i,
                                       {x(i) - group / 2 + static_cast<double>(s) * column, top,
                                        column, std::max(zero, y(values[i])) - top}});
            }
        }
    } else {
        for (size_t s = 0; s < count; ++s) {
            const auto& values = data.series[s].values;
            Line drawn{s, {{}}, values.size() < kMostDots};
            for (size_t i = 0; i < std::min(n, values.size()); ++i) {
                if (std::isfinite(values[i]))
                    drawn.pieces.back().push_back({x(i), y(values[i])});
                else if (!drawn.pieces.back().empty())
                    drawn.pieces.emplace_back();
            }
            if (drawn.pieces.back().empty()) drawn.pieces.pop_back();
            layout.lines.push_back(std::move(drawn));
        }
    }

    // The legend's entries side by side, centred below the base.
    const double swatch = std::round(line * 0.7);
    double total = 0;
    for (size_t s = 0; s < count; ++s) {
        const double textWidth = metrics.width(data.series[s].name);
        layout.legend.push_back({s,
                                 {total, legendTop + (line - swatch) / 2, swatch, swatch},
                                 {total + swatch + 5, legendTop, textWidth, line}});
        total += swatch + 5 + textWidth + (s + 1 < count ? kLegendGap : 0);
    }
    const double start = (width - total) / 2;
    for (LegendEntry& e : layout.legend) {
        e.swatch.left += start;
        e.text.left += start;
    }
    return layout;
}

}  // namespace qdx::chart
