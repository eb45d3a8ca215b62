#pragma once
#include <array>

#include "core/ole_date.h"
#include "reports/report_table.h"
#include "reports/report_totals.h"

namespace qdx::test {

// A short accounts report of two affiliates with its Total row.
inline ReportTable accounts_table() {
    ReportTable t;
    t.request = {ReportKind::Accounts, ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
    t.caption = "Accounts_Report";
    t.setHeader(" Affiliate's ID     | Income       | Payments         |  Balance        ");
    const Regional regional;
    for (const std::array<float, 4>& row :
         {std::array<float, 4>{1, 12.346f, 0, 12.346f}, {2, 5.25f, 1, 4.25f}}) {
        t.appendRow();
        for (size_t c = 0; c < 4; ++c) put_single(t, t.rowCount() - 1, c, row[c], regional);
    }
    append_total_row(t, {1, 2, 3}, regional);
    t.setPrintLayout({0, 15, 30, 50, 70}, 4);
    return t;
}

// The short table with a fifth column that the printout leaves out.
inline ReportTable full_accounts() {
    ReportTable t = accounts_table();
    t.setColumnCount(5);
    t.setText(0, 4, "Name");
    t.setText(1, 4, "Zebedee");
    t.setText(2, 4, "Quentin");
    return t;
}

}  // namespace qdx::test
