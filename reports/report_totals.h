#pragma once
// The Total row a report ends with.
#include <cstddef>
#include <vector>

#include "core/regional.h"
#include "reports/report_table.h"

namespace qdx {

// Appends the Total row: " Total" in column 0, "0" in each summed column;
// then every summed cell of rows 1..last is rounded to 3 decimals, halves to
// even (a cell without a number becomes 0; a NaN or infinite amount stays as
// it is), and (rows before the Total) added to the Total cell as 4-byte
// floats, the running total read back as shown after each addition. The Total
// row itself is rounded last. A NaN or infinite amount makes the Total so.
void append_total_row(ReportTable& table, const std::vector<size_t>& summedColumns,
                      const Regional& regional);

}  // namespace qdx
