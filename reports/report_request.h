#pragma once
// What a report is asked for with: which report, over which range, for which
// affiliate, in which form. The finished table carries it, so saving,
// printing and registering payments use the range the report was made for.
#include <cstdint>

#include "core/date_range.h"

namespace qdx {

enum class ReportKind {
    Accounts,
    PaymentsDue,
    ApPerformance,
    Activities,
    IncomeStructure,
    Network,
    Downline
};

struct ReportRequest {
    ReportKind kind = ReportKind::Accounts;
    DateRange range;
    int32_t id = 0;      // the affiliate, for the reports that take one; 0 the whole network
    bool full = false;   // Full rather than Short
    bool pages = false;  // payments due: also write every affiliate's pages
};

}  // namespace qdx
