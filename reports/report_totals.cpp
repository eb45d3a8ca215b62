#include "reports/report_totals.h"

#include <cmath>

#include "reports/shown_numbers.h"

namespace qdx {

void append_total_row(ReportTable& table, const std::vector<size_t>& summedColumns,
                      const Regional& regional) {
    const size_t last = table.appendRow();
    table.setText(last, 0, " Total");
    for (size_t c : summedColumns) put_rounded(table, last, c, 0, regional);
    table.hasTotalRow = true;
    table.summedColumns = summedColumns;

    // The running total is kept as its cell shows it: `shown` is what the
    // cell reads back as after each addition, `sum` the latest addition.
    std::vector<float> shown(summedColumns.size(), 0.0f);
    std::vector<float> sum(summedColumns.size(), 0.0f);
    for (size_t i = 0; i < summedColumns.size(); ++i) {
        const size_t c = summedColumns[i];
        float running = 0.0f, latest = 0.0f;
        for (size_t r = 1; r < last; ++r) {
            const double n = table.number(r, c);
            const bool damaged = table.kind(r, c) == ReportTable::Kind::NonFinite;
            put_rounded(table, r, c, std::isnan(n) && !damaged ? 0 : n, regional);
            latest = running + as_single(table.number(r, c));
            running = shown_single(latest, regional);
        }
        shown[i] = running;
        sum[i] = latest;
    }
    for (size_t i = 0; i < summedColumns.size(); ++i) {
        const size_t c = summedColumns[i];
        if (last > 1) put_single(table, last, c, sum[i], regional);
        put_rounded(table, last, c, table.number(last, c), regional);
    }
}

}  // namespace qdx
