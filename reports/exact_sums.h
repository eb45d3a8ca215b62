#pragma once
// The sums of a report's amounts as exact decimals. The Total row adds its
// column in 4-byte floats, as the reports always have, and so drifts from the
// rows' sum by whole units at a million rows; what leaves the program as
// money (payments registered, payout files) is stated by the exact sum of the
// amounts as shown, added in whole thousandths.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/regional.h"
#include "reports/report_table.h"

namespace qdx {

struct ExactSum {
    size_t rows = 0;          // the data rows added
    int64_t thousandths = 0;  // their sum, in thousandths
    bool exact = true;        // false when a cell holds no amount of at most 3 decimals
                              // (NaN, infinite) or the sum goes beyond ±9.2e15
    double approximate = 0;   // the sum in double precision, whatever `exact` says
};

// The data rows' cells of `column` (rows 1 to the row before the Total row),
// each as its text shows it.
ExactSum exact_column_sum(const ReportTable& table, size_t column);
// A cell as its text shows it, in thousandths; nothing when it is no finite
// amount of at most 3 decimals within ±9.2e15.
std::optional<int64_t> cell_thousandths(const ReportTable& table, size_t row, size_t column);

// The sum written as the grid writes amounts: "16.5", "-3.001", "0", with the
// regional decimal separator; not exact, the double's 15 digits.
std::string exact_sum_text(const ExactSum& sum, const Regional& regional);

// For the report window's status line: each summed column whose exact sum
// differs from its Total cell, with that sum; empty when every one agrees.
std::string exact_sums_note(const ReportTable& table, const Regional& regional);

}  // namespace qdx
