#pragma once
// Asks for a report over a range, as the main window does once its date
// boxes are read.
#include "reports/report_kinds.h"

namespace qdx {

inline ReportTable ask(const AppState& state, const DateRange& range, ReportKind kind,
                       int32_t id = 0, bool full = false, bool pages = false) {
    return make_report(state, ReportRequest{kind, range, id, full, pages});
}

}  // namespace qdx
