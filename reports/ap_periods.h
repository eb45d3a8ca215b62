#pragma once
// The AP performance report's periods: the first runs from the start of the
// range to the end of its month, each further one is a whole calendar month,
// and the last ends on the range's end.
#include <vector>

#include "core/date_range.h"

namespace qdx {

struct Period {
    double start = 0;  // OLE dates, both days included
    double end = 0;
};

constexpr int kMaxPeriods = 501;

// Throws ReportError when the range needs more than kMaxPeriods periods.
// A reversed range gives the one period from .. to.
std::vector<Period> split_periods(const DateRange& range);

}  // namespace qdx
