#include "app/window_wiring.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include "app/main_window.h"
#include "core/ui/ui_context.h"
#include "help/ui/help_window.h"
#include "registers/ui/import_dialog.h"
#include "registers/ui/import_reversal_dialog.h"
#include "registers/ui/open_register_window.h"
#include "registers/ui/record_editor.h"
#include "reports/ui/downline_tree_window.h"
#include "reports/ui/report_actions.h"
#include "reports/ui/report_window.h"
#include "safety/ui/safety_windows.h"

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
                         [&context, which = which] {
                             // From the moment the communications window opens, every window
                             // speaks its wording.
                             if (which == RegisterWindow::Communications)
                                 context.state.messages.setVariantWording();
                             open_register_window(context, which);
                         });
    }
}

// Each report opens in the one report window.
void wire_report_buttons(MainWindow& main) {
    // The connections end with the main window, so the inputs may refer to it.
    ReportInputs inputs{main.context(), &main, [&main] { return main.check_dates(); },
                        [&main] { return main.fullReportSelected(); },
                        [&main] { return main.htmlPagesChecked(); }};
    const std::pair<MainButton, ReportKind> buttons[] = {
        {MainButton::APPerformance, ReportKind::ApPerformance},
        {MainButton::Accounts, ReportKind::Accounts},
        {MainButton::PaymentsDue, ReportKind::PaymentsDue},
        {MainButton::Activities, ReportKind::Activities},
        {MainButton::NetStructure, ReportKind::Network},
        {MainButton::IncomeStructure, ReportKind::IncomeStructure},
        {MainButton::Downline, ReportKind::Downline},
    };
    for (auto [button, kind] : buttons) {
        QObject::connect(
            main.button(button), &QPushButton::clicked, &main,
            [inputs, kind = kind, box = main.idBox(button)] { run_report(inputs, kind, box); });
    }
}
// "Tree..." beside the downline's ID box opens the tree window; a row
// opened there shows that affiliate in the affiliates window.
void wire_downline_tree(MainWindow& main) {
    UiContext& context = main.context();
    QObject::connect(
        main.button("cmdDownlineTree"), &QPushButton::clicked, &main, [&context, &main] {
            open_downline_tree(
                context, &main, main.idBox(MainButton::Downline),
                [&main] { return main.check_dates(); },
                [&context](int32_t id) {
                    QWidget* w = open_register_window(context, RegisterWindow::Affiliates);
                    if (auto* editor = qobject_cast<RecordEditor*>(w)) editor->showRecordNumber(id);
                });
        });
}

// The File menu: imports, and the payout file of the Payments Due report the
// report window shows.
void wire_file_menu(MainWindow& main) {
    UiContext& context = main.context();
    const std::pair<const char*, ImportKind> imports[] = {
        {"ImportSales", ImportKind::Sales},
        {"ImportPayments", ImportKind::Payments},
        {"ImportAffiliates", ImportKind::Affiliates},
        {"ImportRefunds", ImportKind::Refunds}};
    for (auto [name, kind] : imports)
        QObject::connect(
            main.action(name), &QAction::triggered, &main,
            [&context, &main, kind = kind] { import_from_file(context, &main, kind); });
    QObject::connect(main.action("ReverseImport"), &QAction::triggered, &main,
                     [&context, &main] { reverse_an_import(context, &main); });
    QObject::connect(main.action("WritePayout"), &QAction::triggered, &main, [&context, &main] {
        if (auto* reports = qobject_cast<ReportWindow*>(context.openWindow("frmReports"))) {
            reports->writePayoutFile();
            return;
        }
        context.message(&main, kMakePaymentsDueFirst);
    });
    const std::pair<const char*, void (*)(UiContext&, QWidget*)> safety[] = {
        {"CheckData", check_the_data},
        {"History", show_history},
        {"BackUp", back_up_the_data},
        {"Restore", restore_the_data}};
    for (auto [name, open] : safety)
        QObject::connect(main.action(name), &QAction::triggered, &main,
                         [&context, &main, open = open] { open(context, &main); });
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
    wire_downline_tree(main);
    wire_register_buttons(main);
    wire_file_menu(main);
    wire_help_menu(main, default_help_options(main.context()));
}

}  // namespace qdx::ui
