#include "app/window_wiring.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include "app/main_window.h"
#include "help/ui/help_window.h"
#include "registers/ui/register_wiring.h"
#include "reports/ui/report_actions.h"

namespace qdx::ui {

void wire_register_buttons(MainWindow& main) {
    const std::pair<const char*, RegisterWindow> buttons[] = {
        {"cmdAffiliates", RegisterWindow::Affiliates},
        {"cmdCommunications", RegisterWindow::Communications},
        {"cmdSales", RegisterWindow::Sales},
        {"cmdPayments", RegisterWindow::Payments},
        {"cmdAPSettings", RegisterWindow::Settings},
    };
    UiContext& context = main.context();
    for (auto [name, which] : buttons) {
        QObject::connect(main.button(name), &QPushButton::clicked, &main,
                         [&context, which = which] { open_register_window(context, which); });
    }
}

void wire_report_buttons(MainWindow& main) {
    // The main window outlives its buttons' connections, so the inputs may
    // refer to it.
    ReportInputs inputs{main.context(), &main, [&main] { return main.check_dates(); },
                        [&main] { return main.fullReportSelected(); },
                        [&main] { return main.htmlPagesChecked(); }};
    const std::pair<const char*, void (*)(const ReportInputs&)> plain[] = {
        {"cmdAPperformanceR", run_ap_performance_report},
        {"cmdAccountsR", run_accounts_report},
        {"cmdPaymentsR", run_payments_due_report},
    };
    for (auto [name, run] : plain) {
        QObject::connect(main.button(name), &QPushButton::clicked, &main,
                         [inputs, run = run] { run(inputs); });
    }
    const std::tuple<const char*, const char*, void (*)(const ReportInputs&, QLineEdit*)> withId[] =
        {
            {"cmdActivitiesR", "txtAIDa", run_activities_report},
            {"cmdNetStructureR", "txtAIDn", run_network_report},
            {"cmdIncomeStructureR", "txtAID", run_income_structure_report},
            {"cmdDownline", "txtAIDd", run_downline_report},
        };
    for (auto [name, boxName, run] : withId) {
        QObject::connect(main.button(name), &QPushButton::clicked, &main,
                         [inputs, box = main.lineEdit(boxName), run = run] { run(inputs, box); });
    }
}

void wire_help_menu(MainWindow& main, const HelpOptions& options) {
    UiContext& context = main.context();
    for (const HelpItem& item : help_items()) {
        if (QAction* action = main.action(item.action))
            QObject::connect(action, &QAction::triggered, &main,
                             [&context, item, options] { open_help_item(context, item, options); });
    }
}

void wire_main_window(MainWindow& main) {
    wire_report_buttons(main);
    wire_register_buttons(main);
    wire_help_menu(main, default_help_options(main.context()));
}

}  // namespace qdx::ui
