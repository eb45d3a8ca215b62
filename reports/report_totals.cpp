#include "reports/report_totals.h"

#include <cmath>
#include <stdexcept>

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

    // The cells are rounded first, the cores sharing the rows once no cell is
    // kept as text. Then each column is added up, the columns shared among the
    // cores. The running total is kept as its cell shows it: `running` is
    // what the cell reads back as after each addition, `latest` the latest
    // addition. Each addition waits for the rounding of the one before, so a
    // core adds its columns side by side.
    auto round_cells = [&](size_t from, size_t to) {
        for (size_t c : summedColumns)
            for (size_t r = from; r < to; ++r) {
                const double n = table.number(r, c);
                const bool damaged = table.kind(r, c) == ReportTable::Kind::NonFinite;
                put_rounded(table, r, c, std::isnan(n) && !damaged ? 0 : n, regional);
            }
    };
    const size_t columns = summedColumns.size();
    std::vector<float> sum(columns, 0.0f);
    // Rounded, every summed cell of rows 1..last holds a number of its own.
    auto add_up = [&](size_t first, size_t step) {
        std::vector<size_t> mine;
        std::vector<const double*> values;
        for (size_t i = first; i < columns; i += step) {
            const std::span<const double> v = table.numbers(summedColumns[i]);
            if (v.size() <= last) throw std::logic_error("a summed column was not rounded");
            mine.push_back(i);
            values.push_back(v.data() + 1);
        }
        std::vector<float> sums(mine.size());
        add_up_shown(values, last - 1, sums, regional);
        for (size_t k = 0; k < mine.size(); ++k) sum[mine[k]] = sums[k];
    };
    if (last > kFewRows && columns > 0 && table.readyColumns(table.columnCount())) {
        // Row 1 alone first: a column whose cells change kind gets its kind
        // per row there, so the puts from the cores never grow it (where
        // row 1 keeps its kind, so does every row).
        round_cells(1, 2);
        const size_t threads = core_count();
        run_parts(threads, [&](size_t t) {
            round_cells(2 + (last - 2) * t / threads, 2 + (last - 2) * (t + 1) / threads);
        });
        run_parts(std::min(columns, threads), [&](size_t t) { add_up(t, threads); });
    } else {
        round_cells(1, last);
        add_up(0, 1);
    }
    table.setText(last, 0, " Total");
    for (size_t i = 0; i < summedColumns.size(); ++i) {
        const size_t c = summedColumns[i];
        if (last > 1) put_single(table, last, c, sum[i], regional);
        put_rounded(table, last, c, table.number(last, c), regional);
    }
}

}  // namespace qdx
