#pragma once
// What the chart of a finished report shows: the categories along its base,
// the named series of values over them, and the titles of the two axes. Read
// from the table's numbers only, so the chart shows what the grid shows.
// AP Performance charts sales, payments and income per period; Network
// Structure the affiliates per level; Income Structure the income per
// sub-level. The other reports have no chart.
#include <optional>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "reports/report_table.h"

namespace qdx {

struct ChartSeries {
    std::string name;            // Windows-1252
    std::vector<double> values;  // one per category
};

struct ChartData {
    ReportKind kind = ReportKind::ApPerformance;
    std::string title;                    // the export's title line
    std::vector<std::string> categories;  // period starts, levels or sub-levels, as shown
    std::string categoryAxis;             // "Month", "Level", "Sub-level"
    std::string valueAxis;                // the unit of payment for money, "Affiliates"
    std::vector<ChartSeries> series;
};

// Whether a report of this kind has a chart.
bool has_chart(ReportKind kind);

// The chart of `table`; nothing for a kind without one. The unit of payment
// comes from the settings record.
std::optional<ChartData> chart_data(const ReportTable& table, const AppState& state);

}  // namespace qdx
