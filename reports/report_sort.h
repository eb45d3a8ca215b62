#pragma once
// Sorting a report's rows as its grid sorts them.
#include <cstddef>

#include "reports/report_table.h"

namespace qdx {

// Sorts rows first..last-1 by the cells of `column`, ascending and stable:
// numbers as numbers, empty cells first, other texts after the numbers by
// their bytes.
void sort_rows(ReportTable& table, size_t first, size_t last, size_t column);

}  // namespace qdx
