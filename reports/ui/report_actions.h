#pragma once
// The main window's seven report buttons. Each reads its ID box (where it has
// one) and the date range, opens the report window, computes the report
// under the hourglass and hands the table over.
namespace qdx::ui {

class MainWindow;

void run_accounts_report(MainWindow& main);
void run_payments_due_report(MainWindow& main);
void run_ap_performance_report(MainWindow& main);
void run_activities_report(MainWindow& main);
void run_income_structure_report(MainWindow& main);
void run_network_report(MainWindow& main);
void run_downline_report(MainWindow& main);

// Connects the seven report buttons to the procedures above.
void wire_report_buttons(MainWindow& main);

}  // namespace qdx::ui
