// qdx-screenshots APPDIR OUTDIR LAST-DAY [CHARTDIR]: opens the real windows
// on an application folder (the demo program) and saves a picture of each
// into OUTDIR for the user's guide, and the report window's chart page, on
// the light palette and on a dark one, into CHARTDIR (OUTDIR unless given).
// Run it under Xvfb, for example
//   xvfb-run -s "-screen 0 1280x1024x24" qdx-screenshots demo help/pages/images 2025-12-05
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <cstdio>

#include "app/main_window.h"
#include "app/window_wiring.h"
#include "core/ole_date.h"
#include "core/regional.h"
#include "core/ui/system_regional.h"
#include "core/ui/ui_context.h"
#include "registers/ui/record_editor.h"

namespace {

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

bool save(QWidget* window, const QString& file) {
    if (!window) {
        std::fprintf(stderr, "no window for %s\n", qPrintable(file));
        return false;
    }
    window->raise();
    settle();
    bool ok = window->grab().save(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    return ok;
}

void type_into(QWidget* window, const char* box, const QString& text) {
    if (auto* e = window ? window->findChild<QLineEdit*>(box) : nullptr) e->setText(text);
}

void press(QWidget* window, const char* button) {
    if (auto* b = window ? window->findChild<QPushButton*>(button) : nullptr) b->click();
    settle();
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The pictures show every window at its own size: no place remembered
    // from an earlier run is read, and none is kept.
    QTemporaryDir noPlaces;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, noPlaces.path());
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: qdx-screenshots APPDIR OUTDIR YYYY-MM-DD [CHARTDIR]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    int y = 0, m = 0, d = 0;
    if (std::sscanf(argv[3], "%d-%d-%d", &y, &m, &d) != 3 || !qdx::is_valid_ymd(y, m, d)) return 2;
    const double lastDay = qdx::ole_from_ymd(y, m, d);

    qdx::AppState state(argv[1]);
    state.regional = qdx::ui::regional_from_locale();
    state.today = [lastDay] { return lastDay; };
    state.messages.setStartupWording();
    qdx::ui::UiContext context(state);
    context.messageSink = [](const qdx::ui::MessageRequest& r) {
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return qdx::ui::MessageAnswer::Cancel;
    };
    auto* main = new qdx::ui::MainWindow(context);
    qdx::ui::wire_main_window(*main);
    main->move(20, 20);
    main->show();
    settle();
    int failures = 0;
    failures += !save(main, out + "/main_window.png");

    auto open = [&](const char* button, const char* key) {
        press(main, button);
        QWidget* w = context.openWindow(key);
        if (w) w->move(40, 40);
        return w;
    };
    failures += !save(open("cmdAPSettings", "frmAPSettings"), out + "/settings.png");
    QWidget* affiliates = open("cmdAffiliates", "frmAffiliates");
    type_into(affiliates, "txtSreferenceid", "3");
    press(affiliates, "cmdDisplay");
    failures += !save(affiliates, out + "/affiliates.png");
    QWidget* sales = open("cmdSales", "frmSales");
    type_into(sales, "txtSAffID", "3");
    press(sales, "cmdDisplay");
    failures += !save(sales, out + "/sales.png");
    failures += !save(open("cmdCommunications", "frmCommunications"), out + "/communications.png");

    failures += !save(open("cmdAccountsR", "frmReports"), out + "/report.png");
    failures += !save(open("cmdPaymentsR", "frmReports"), out + "/payments_due.png");

    // The payout dialog over the Payments Due report: pictured, then cancelled.
    context.dialogSink = [&](QDialog& dialog) {
        dialog.move(60, 60);
        dialog.show();
        failures += !save(&dialog, out + "/payout_dialog.png");
        return int(QDialog::Rejected);
    };
    press(context.openWindow("frmReports"), "cmdWritePayout");

    // The print preview of the same report: pictured, then closed.
    context.dialogSink = [&](QDialog& dialog) {
        dialog.move(60, 60);
        dialog.show();
        settle();
        failures += !save(&dialog, out + "/print_preview.png");
        return int(QDialog::Rejected);
    };
    press(context.openWindow("frmReports"), "cmdPrintPreview");

    // The import preview of a small sales file with one bad row: pictured,
    // then cancelled, so that nothing is imported.
    QTemporaryDir scratch;
    const QString csv = scratch.filePath("sales.csv");
    QFile file(csv);
    if (file.open(QIODevice::WriteOnly)) {
        const QByteArray day = QByteArray(argv[3]);
        file.write("affiliate_id,date,sum,details\r\n1," + day + ",120.50,Order 1001\r\n2," + day +
                   ",35,\"Order 1002, gift\"\r\n99999," + day + ",10,Order 1003\r\n3," + day +
                   ",80.25,Order 1004\r\n");
        file.close();
    }
    context.fileSink = [csv](const qdx::ui::FileRequest&) { return csv; };
    context.dialogSink = [&](QDialog& dialog) {
        dialog.move(40, 40);
        dialog.show();
        failures += !save(&dialog, out + "/import_preview.png");
        return int(QDialog::Rejected);
    };
    main->action("ImportSales")->trigger();

    // The refund of the last sale, as proposed, then cancelled.
    press(main, "cmdSales");
    if (QWidget* sales = context.openWindow("frmSales")) {
        context.dialogSink = [&](QDialog& dialog) {
            dialog.move(40, 40);
            dialog.show();
            failures += !save(&dialog, out + "/refund_dialog.png");
            return int(QDialog::Rejected);
        };
        if (auto* refund = sales->findChild<QPushButton*>("cmdRefundSale")) refund->click();
        // The refunds, opened from the Sales window.
        press(sales, "cmdRefunds");
        if (QWidget* refunds = context.openWindow("frmRefunds")) {
            refunds->move(40, 40);
            failures += !save(refunds, out + "/refunds.png");
            refunds->close();
        } else {
            ++failures;
        }
        sales->close();
    }

    // The void of the first payment, as proposed, then cancelled; then the
    // payment runs, the last of them reversed in the demo.
    if (auto* payments = qobject_cast<qdx::ui::RecordEditor*>(open("cmdPayments", "frmPayments"))) {
        payments->showRecordNumber(1);
        context.dialogSink = [&](QDialog& dialog) {
            dialog.move(40, 40);
            dialog.show();
            failures += !save(&dialog, out + "/void_dialog.png");
            return int(QDialog::Rejected);
        };
        press(payments, "cmdVoidPayment");
        press(payments, "cmdPaymentRuns");
        if (QWidget* runs = context.openWindow("frmPaymentRuns")) {
            runs->move(40, 40);
            failures += !save(runs, out + "/payment_runs.png");
            runs->close();
        } else {
            ++failures;
        }
        payments->close();
    } else {
        ++failures;
    }

    // The chart page of AP Performance over the year, as the window's palette
    // colours it: the light one, then a dark one.
    const QString charts = argc == 5 ? QString::fromLocal8Bit(argv[4]) : out;
    type_into(main, "txtDateFrom",
              QString::fromStdString(qdx::format_date(lastDay - 364, state.regional)));
    QWidget* report = open("cmdAPperformanceR", "frmReports");
    if (auto* views = report ? report->findChild<QTabWidget*>("tabReportView") : nullptr) {
        views->setCurrentIndex(1);
        report->resize(980, 620);
        failures += !save(report, charts + "/report_chart.png");
        QPalette dark;
        for (auto [role, colour] : {std::pair{QPalette::Window, QColor(45, 45, 48)},
                                    {QPalette::Base, QColor(30, 30, 32)},
                                    {QPalette::Button, QColor(55, 55, 58)},
                                    {QPalette::Text, QColor(230, 230, 230)},
                                    {QPalette::WindowText, QColor(230, 230, 230)},
                                    {QPalette::ButtonText, QColor(230, 230, 230)},
                                    {QPalette::Highlight, QColor(64, 140, 220)}})
            dark.setColor(role, colour);
        report->setPalette(dark);
        failures += !save(report, charts + "/report_chart_dark.png");
    } else {
        ++failures;
    }

    // The downline tree of affiliate 2 over the year, two generations open,
    // once its sales and income have filled in.
    type_into(main, "txtAIDd", "2");
    press(main, "cmdDownlineTree");
    QWidget* tree = context.openWindow("frmDownlineTree");
    if (auto* view = tree ? tree->findChild<QTreeView*>("tvwDownline") : nullptr) {
        tree->move(40, 40);
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 2000) {
            QApplication::processEvents();
            QThread::msleep(20);
        }
        view->expandToDepth(1);
        failures += !save(tree, out + "/downline_tree.png");
    } else {
        ++failures;
    }

    main->action("UserGuide")->trigger();
    settle();
    failures += !save(context.openWindow("frmHelp"), out + "/help.png");
    return failures ? 1 : 0;
}
