#include "reports/report_totals.h"

#include <cmath>

#include "core/parallel.h"
#include "reports/shown_numbers.h"

namespace qdx {

namespace {

// Below this many rows a second thread costs more than it saves.
constexpr size_t kFewRows = 10000;

}  // namespace

void append_total_row(ReportTable& table, const std::vector<size_t>& summedColumns,
                      const Regional& regional) {
    const size_t last = table.appendRow();
    for (size_t c : summedColumns) put_rounded(table, last, c, 0, regional);
    table.hasTotalRow = true;
    table.summedColumns = summedColumns;

    // Each column is rounded and added up on its own (on a core of its own
    // when no cell is kept as text). The running total is kept as its cell
    // shows it: `running` is what the cell reads back as after each addition,
    // `latest` the latest addition.
    std::vector<float> sum(summedColumns.size(), 0.0f);
    auto add_up = [&](size_t i) {
        const size_t c = summedColumns[i];
        float running = 0.0f, latest = 0.0f;
        for (size_t r = 1; r < last; ++r) {
            const double n = table.number(r, c);
            const bool damaged = table.kind(r, c) == ReportTable::Kind::NonFinite;
            put_rounded(table, r, c, std::isnan(n) && !damaged ? 0 : n, regional);
            latest = running + as_single(table.number(r, c));
            running = shown_single(latest, regional);
        }
        sum[i] = latest;
    };
    const size_t columns = summedColumns.size();
    if (last > kFewRows && columns > 1 && table.readyColumns(table.columnCount())) {
        const size_t threads = std::min(columns, core_count());
        run_parts(threads, [&](size_t t) {
            for (size_t i = t; i < columns; i += threads) add_up(i);
        });
    } else {
        for (size_t i = 0; i < columns; ++i) add_up(i);
    }
    table.setText(last, 0, " Total");
    for (size_t i = 0; i < summedColumns.size(); ++i) {
        const size_t c = summedColumns[i];
        if (last > 1) put_single(table, last, c, sum[i], regional);
        put_rounded(table, last, c, table.number(last, c), regional);
    }
}

}  // namespace qdx
