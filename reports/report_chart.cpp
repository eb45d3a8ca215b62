#include "reports/report_chart.h"

#include <cmath>

#include "core/regional.h"
#include "reports/payout_file.h"
#include "reports/report_export.h"

namespace qdx {

namespace {

// The rows between the header and the Total row that carry a number in
// column 0 (a date, a level or an affiliate ID); the Total row has none.
template <class Visit>
void each_data_row(const ReportTable& table, Visit&& visit) {
    for (size_t r = 1; r < table.rowCount(); ++r)
        if (!std::isnan(table.number(r, 0))) visit(r);
}

double value_of(const ReportTable& table, size_t row, size_t column) {
    const double v = table.number(row, column);
    return std::isnan(v) ? 0 : v;
}

std::string money_axis(const AppState& state) {
    const std::string unit = unit_of_payment(state);
    return unit.empty() ? "Amount" : "Amount (" + unit + ")";
}

// Sales, payments and income per period, the periods named by their first day.
void performance(const ReportTable& table, const AppState& state, ChartData& chart) {
    chart.categoryAxis = "Month";
    chart.valueAxis = money_axis(state);
    chart.series = {{"Sales", {}}, {"Payments", {}}, {"Income", {}}};
    each_data_row(table, [&](size_t r) {
        chart.categories.push_back(format_date(table.number(r, 0), state.regional));
        for (size_t s = 0; s < 3; ++s) chart.series[s].values.push_back(value_of(table, r, s + 2));
    });
}

// All and new affiliates per level; an upline row counts 0 and 0.
void network(const ReportTable& table, ChartData& chart) {
    chart.categoryAxis = "Level";
    chart.valueAxis = "Affiliates";
    chart.series = {{"Total affiliates", {}}, {"New affiliates", {}}};
    each_data_row(table, [&](size_t r) {
        chart.categories.push_back(format_long(static_cast<int64_t>(table.number(r, 0))));
        chart.series[0].values.push_back(value_of(table, r, 1));
        chart.series[1].values.push_back(value_of(table, r, 2));
    });
}

// The income of the rows summed by sub-level, every sub-level from 0 to the
// deepest listed. A sum of whole columns, so the order of the rows (the Full
// form sorts them) does not matter.
void income(const ReportTable& table, const AppState& state, ChartData& chart) {
    chart.categoryAxis = "Sub-level";
    chart.valueAxis = money_axis(state);
    std::vector<double> sums;
    each_data_row(table, [&](size_t r) {
        const double level = table.number(r, 1);
        if (!(level >= 0 && level < 8)) return;  // ranks run from 1 to 8
        const auto k = static_cast<size_t>(level);
        if (k >= sums.size()) sums.resize(k + 1, 0.0);
        sums[k] += value_of(table, r, 4);
    });
    for (size_t k = 0; k < sums.size(); ++k) chart.categories.push_back(std::to_string(k));
    chart.series = {{"Income", std::move(sums)}};
}

}  // namespace

bool has_chart(ReportKind kind) {
    return kind == ReportKind::ApPerformance || kind == ReportKind::Network ||
           kind == ReportKind::IncomeStructure;
}

std::optional<ChartData> chart_data(const ReportTable& table, const AppState& state) {
    if (!has_chart(table.request.kind) || table.rowCount() == 0) return std::nullopt;
    ChartData chart;
    chart.kind = table.request.kind;
    chart.title = title_line(table, state);
    switch (chart.kind) {
        case ReportKind::ApPerformance:
            performance(table, state, chart);
            break;
        case ReportKind::Network:
            network(table, chart);
            break;
        default:
            income(table, state, chart);
            break;
    }
    return chart;
}

}  // namespace qdx
