#pragma once
#include "core/ole_date.h"
#include "reports/report_table.h"

namespace qdx::test {

// A short accounts report of two affiliates with its Total row.
inline ReportTable accounts_table() {
    ReportTable t;
    t.request = {ReportKind::Accounts, ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
    t.caption = "Accounts_Report";
    t.setHeader(" Affiliate's ID     | Income       | Payments         |  Balance        ");
    t.appendRow() = {"1", "12.346", "0", "12.346"};
    t.appendRow() = {"2", "5.25", "1", "4.25"};
    t.appendRow() = {" Total", "17.596", "1", "16.596"};
    t.hasTotalRow = true;
    t.setPrintLayout({0, 15, 30, 50, 70}, 4);
    return t;
}

// The short table with a fifth column that the printout leaves out.
inline ReportTable full_accounts() {
    ReportTable t = accounts_table();
    t.setColumnCount(5);
    t.cells[0][4] = "Name";
    t.cells[1][4] = "Zebedee";
    t.cells[2][4] = "Quentin";
    return t;
}

}  // namespace qdx::test
