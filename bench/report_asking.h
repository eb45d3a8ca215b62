#pragma once
// Asks for a report over the days of the full set, as the main window does
// once its date boxes are read.
#include "bench/generated_sets.h"
#include "reports/report_kinds.h"

namespace qdx::bench {

inline ReportTable ask(const AppState& state, ReportKind kind, int32_t id = 0, bool full = false,
                       bool pages = false, DateRange range = range_of(full_set())) {
    return make_report(state, ReportRequest{kind, range, id, full, pages});
}

}  // namespace qdx::bench
