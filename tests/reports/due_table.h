#pragma once
#include <utility>
#include <vector>

#include "core/ole_date.h"
#include "reports/report_table.h"
#include "reports/report_totals.h"

namespace qdx::test {

// A Payments Due table of March 2003: the amounts of the listed affiliates
// (numbers without their texts) and the Total row.
inline ReportTable due_table(const std::vector<std::pair<int32_t, double>>& rows) {
    ReportTable t;
    t.request = {ReportKind::PaymentsDue, ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
    t.setHeader(" Affiliate's ID     | Payments Due  ");
    for (auto [id, due] : rows) {
        t.appendRow();
        put_long(t, t.rowCount() - 1, 0, id);
        t.put(t.rowCount() - 1, 1, "", due);
    }
    append_total_row(t, {1}, Regional());
    return t;
}

}  // namespace qdx::test
