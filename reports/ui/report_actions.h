#pragma once
// The main window's seven report buttons. Each reads its ID box (where it has
// one) and the date range, opens the report window, computes the report
// under the hourglass and hands the table over.
#include "reports/report_request.h"

namespace qdx::ui {

class MainWindow;

// Asks for the report with the main window's ID box, range, Short/Full and
// HTM box, and shows it.
void run_report(MainWindow& main, ReportKind kind);

// Connects the seven report buttons to run_report.
void wire_report_buttons(MainWindow& main);

}  // namespace qdx::ui
