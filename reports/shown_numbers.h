#pragma once
// A number as a report shows it and reads it back: the value of its text (0
// when that is not a number). Running sums and products are formed on this
// value, as on a cell. The float's is worked out without writing the text
// wherever that gives the same bits. A NaN or an infinity (a damaged sale, an
// income that overflowed) stays what it is, and is shown as such, never as 0.
#include <cstddef>
#include <span>

#include "core/regional.h"

namespace qdx {

double shown_value(float value, const Regional& regional);
double shown_value(double value, const Regional& regional);
// A value read back as a 4-byte float; 0 beyond the float range, a NaN or
// an infinity as it is.
float as_single(double value);
// How a report shows an amount that is not finite: "NaN", "inf" or "-inf".
const char* non_finite_text(double value);
float shown_single(float value, const Regional& regional);

// Adds up rows 0..rows-1 of each column in 4-byte floats, the running total
// read back as shown (shown_single) after each addition, and puts each
// column's last addition (0 for no rows) into `sums`. Each addition waits for
// the reading back of the one before: the columns are added side by side.
void add_up_shown(std::span<const double* const> columns, size_t rows, std::span<float> sums,
                  const Regional& regional);

}  // namespace qdx
