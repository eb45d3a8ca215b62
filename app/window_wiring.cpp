#include "app/window_wiring.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include "app/main_window.h"
#include "help/ui/help_window.h"
#include "registers/ui/open_register_window.h"
#include "reports/ui/report_actions.h"

namespace qdx::ui {
namespace {

// Each register and settings window opens once.
void wire_register_buttons(MainWindow& main) {
    const std::pair<MainButton, RegisterWindow> buttons[] = {
        {MainButton::Affiliates, RegisterWindow::Affiliates},
        {MainButton::Communications, RegisterWindow::Communications},
        {MainButton::Sales, RegisterWindow::Sales},
        {MainButton::Payments, RegisterWindow::Payments},
        {MainButton::APSettings, RegisterWindow::Settings},
    };
    UiContext& context = main.context();
    for (auto [button, which] : buttons) {
        QObject::connect(main.button(button), &QPushButton::clicked, &main,
                         [&context, which = which] { open_register_window(context, which); });
    }
}

// Each report opens in the one report window.
void wire_report_buttons(MainWindow& main) {
    // The connections end with the main window, so the inputs may refer to it.
    ReportInputs inputs{main.context(), &main, [&main] { return main.check_dates(); },
                        [&main] { return main.fullReportSelected(); },
                        [&main] { return main.htmlPagesChecked(); }};
    const std::pair<MainButton, void (*)(const ReportInputs&)> plain[] = {
        {MainButton::APPerformance, run_ap_performance_report},
        {MainButton::Accounts, run_accounts_report},
        {MainButton::PaymentsDue, run_payments_due_report},
    };
    for (auto [button, run] : plain) {
        QObject::connect(main.button(button), &QPushButton::clicked, &main,
                         [inputs, run = run] { run(inputs); });
    }
    const std::pair<MainButton, void (*)(const ReportInputs&, QLineEdit*)> withId[] = {
        {MainButton::Activities, run_activities_report},
        {MainButton::NetStructure, run_network_report},
        {MainButton::IncomeStructure, run_income_structure_report},
        {MainButton::Downline, run_downline_report},
    };
    for (auto [button, run] : withId) {
        QObject::connect(main.button(button), &QPushButton::clicked, &main,
                         [inputs, box = main.idBox(button), run = run] { run(inputs, box); });
    }
}
}  // namespace

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
