#include "reports/ui/report_window.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <exception>

#include "core/files.h"
#include "core/import_journal.h"
#include "core/payment_runs.h"
#include "core/record_append.h"
#include "core/regional.h"
#include "core/text_field.h"
#include "core/ui/long_work.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_memory.h"
#include "core/ui/window_parts.h"
#include "reports/csv_export.h"
#include "reports/exact_sums.h"
#include "reports/payout_file.h"
#include "reports/report_export.h"
#include "reports/report_failures.h"
#include "reports/reports.h"
#include "reports/ui/chart_view.h"
#include "reports/ui/payout_dialog.h"
#include "reports/ui/report_printer.h"
#include "reports/ui/report_table_model.h"
#include "safety/backup.h"

namespace qdx::ui {
namespace {

// Column widths come from the header and a sample of rows, never from a scan
// of a million rows.
constexpr size_t kSampledRows = 200;
constexpr int kCellPadding = 14;

QRadioButton* make_option(QWidget* parent, const char* name, const QString& caption) {
    auto* o = new QRadioButton(caption, parent);
    o->setObjectName(name);
    o->setAccessibleName(caption.trimmed() + " separator");
    return o;
}

QLineEdit* make_date_box(QWidget* parent, const char* name, QLabel* caption, const QString& text,
                         const QString& spoken) {
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setAccessibleName(spoken);
    box->setMaximumWidth(120);
    caption->setBuddy(box);
    return box;
}

QString path_text(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

}  // namespace

const char* const kMakePaymentsDueFirst =
    "Make the Payments Due report first: the payout file lists the payments that report shows.";
const char* const kRegisterThesePayments = "Register these payments";

ReportWindow::ReportWindow(UiContext& context, const DateRange& range, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(context), model_(new ReportTableModel(this)) {
    setObjectName("frmReports");
    setWindowTitle("Report");
    buildControls(range);
    resize(820, 560);
    close_on_escape(this);
}

void ReportWindow::buildControls(const DateRange& shown) {
    const AppState& s = context_.state;
    auto* label1 = new QLabel("From:", this);
    label1->setObjectName("Label1");
    from_ = make_date_box(this, "txtFrom", label1, fromAnsi(format_date(shown.from, s.regional)),
                          "Report range from");
    auto* label2 = new QLabel("To:", this);
    label2->setObjectName("Label2");
    to_ = make_date_box(this, "txtTo", label2, fromAnsi(format_date(shown.to, s.regional)),
                        "Report range to");

    grid_ = new QTableView(this);
    grid_->setObjectName("MsfReport");
    grid_->setAccessibleName("Report");
    grid_->setModel(model_);
    grid_->setWordWrap(false);
    grid_->verticalHeader()->hide();
    // Fixed row heights keep scrolling a million rows as quick as ten.
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid_->horizontalHeader()->setHighlightSections(false);

    auto* saveText = make_button(this, "cmdSaveTXT", "Save as .txt");
    auto* frame = new QGroupBox("Separator", this);
    frame->setObjectName("Frame1");
    space_ = make_option(frame, "optSpase", "Space");
    comma_ = make_option(frame, "optComma", "Comma");
    semicolon_ = make_option(frame, "optSemicol", " Semicolon");
    semicolon_->setChecked(true);
    auto* options = new QVBoxLayout(frame);
    options->addWidget(space_);
    options->addWidget(comma_);
    options->addWidget(semicolon_);
    auto* saveHtml = make_button(this, "cmdSaveHTM", "Save as .html");
    auto* saveCsv = make_button(this, "cmdSaveCSV", "Save as .csv");
    auto* print = make_button(this, "cmdPrint", "Print short Report");
    auto* preview = make_button(this, "cmdPrintPreview", "Print preview...");
    register_ = make_button(this, "cmdRegistrePayments", "Register payments");
    register_->hide();
    payout_ = make_button(this, "cmdWritePayout", "Write payout file...");
    payout_->hide();
    registerSummary_ = new QLabel(this);
    registerSummary_->setObjectName("lblRegisterSummary");
    registerSummary_->setAccessibleName("What Register payments would write");
    registerSummary_->setWordWrap(true);
    registerSummary_->setMaximumWidth(register_->sizeHint().width() * 2);
    registerSummary_->hide();

    status_ = new QLabel(this);
    status_->setObjectName("lblStatus");
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setAccessibleName("Status");

    auto* range = new QHBoxLayout;
    range->addWidget(label1);
    range->addWidget(from_);
    range->addSpacing(16);
    range->addWidget(label2);
    range->addWidget(to_);
    range->addStretch();

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(saveText);
    buttons->addWidget(frame);
    buttons->addWidget(saveHtml);
    buttons->addWidget(saveCsv);
    buttons->addSpacing(12);
    buttons->addWidget(print);
    buttons->addWidget(preview);
    buttons->addSpacing(12);
    buttons->addWidget(register_);
    buttons->addWidget(registerSummary_);
    buttons->addSpacing(12);
    buttons->addWidget(payout_);
    buttons->addStretch();

    chart_ = new ChartPage(context_, this);
    views_ = new QTabWidget(this);
    views_->setObjectName("tabReportView");
    views_->setAccessibleName("Report view");
    views_->addTab(grid_, "Grid");
    views_->addTab(chart_, "Chart");
    views_->setTabEnabled(1, false);
    // The print preview prints the chart when the chart is what is shown.
    chartSource_ = [this]() -> std::optional<PreviewChart> {
        if (views_->currentWidget() != chart_) return std::nullopt;
        return chart_->previewChart();
    };
    auto* middle = new QHBoxLayout;
    middle->addWidget(views_, 1);
    middle->addLayout(buttons);

    auto* page = new QVBoxLayout(this);
    page->addLayout(range);
    page->addLayout(middle, 1);
    page->addWidget(status_);

    QWidget* order[] = {
        from_,    to_,     views_,    grid_,      chart_->styleBox(), chart_->saveButton(),
        saveText, space_,  comma_,    semicolon_, saveHtml,           saveCsv,
        print,    preview, register_, payout_};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(saveText, &QPushButton::clicked, this, &ReportWindow::saveText);
    connect(saveHtml, &QPushButton::clicked, this, &ReportWindow::saveHtml);
    connect(saveCsv, &QPushButton::clicked, this, &ReportWindow::saveCsv);
    connect(print, &QPushButton::clicked, this, &ReportWindow::printReport);
    connect(preview, &QPushButton::clicked, this, &ReportWindow::printPreview);
    connect(payout_, &QPushButton::clicked, this, &ReportWindow::writePayoutFile);
    connect(register_, &QPushButton::clicked, this, &ReportWindow::registerPayments);
    connect(chart_, &ChartPage::saved, this, &ReportWindow::setStatus);
}

void ReportWindow::beginReport(const std::string& caption, bool registerPayments) {
    setWindowTitle(fromAnsi(caption));
    showPaymentsControls(registerPayments);
    setStatus(QString());
}

void ReportWindow::keepShownReport(const QString& detail) {
    if (!detail.isEmpty()) setStatus(detail);
    const ReportTable& shown = table();
    if (shown.rowCount() == 0) {
        showPaymentsControls(false);  // nothing to register; the caption names the failed report
        return;
    }
    setWindowTitle(fromAnsi(shown.caption));
    showPaymentsControls(shown.showRegisterPayments);
}

void ReportWindow::reportCancelled() {
    keepShownReport();
    setStatus("Cancelled.");
}

void ReportWindow::closeEvent(QCloseEvent* event) {
    stop_long_work(context_, this);
    QWidget::closeEvent(event);
}

void ReportWindow::showTable(ReportTable table) {
    setWindowTitle(fromAnsi(table.caption));
    const bool payments = table.showRegisterPayments;
    model_->setTable(std::move(table));
    const bool charted = chart_->showTable(model_->table());
    views_->setTabEnabled(1, charted);
    if (!charted) views_->setCurrentIndex(0);
    showPaymentsControls(payments);
    sizeColumns();
    setStatus(reportNote());
}

QString ReportWindow::reportNote() const {
    // What the report left out comes first, then the rows' exact sums where
    // the Total row, added in 4-byte floats, differs from them.
    const ReportTable& t = table();
    QStringList parts;
    if (!t.notice.empty()) parts << fromAnsi(t.notice);
    const std::string sums = exact_sums_note(t, context_.state.regional);
    if (!sums.empty()) parts << fromAnsi(sums);
    return parts.join(' ');
}

const ReportTable& ReportWindow::table() const { return model_->table(); }

void ReportWindow::sizeColumns() {
    const ReportTable& t = model_->table();
    if (t.rowCount() == 0) return;
    QFont boldFont = grid_->font();
    boldFont.setBold(true);
    QFontMetrics plain(grid_->font());
    QFontMetrics bold(boldFont);
    const size_t last = t.rowCount() - 1;
    for (size_t c = 0; c < t.columnCount(); ++c) {
        int width = bold.horizontalAdvance(fromAnsi(t.text(0, c)));
        for (size_t r = 1; r <= last && r <= kSampledRows; ++r) {
            width = std::max(width, plain.horizontalAdvance(fromAnsi(t.text(r, c))));
        }
        if (last > 0) width = std::max(width, bold.horizontalAdvance(fromAnsi(t.text(last, c))));
        grid_->setColumnWidth(static_cast<int>(c), width + kCellPadding);
    }
}

void ReportWindow::showPaymentsControls(bool shown) {
    register_->setVisible(shown);
    payout_->setVisible(shown);
    registerSummary_->setVisible(shown);
    const ReportTable& t = table();
    if (!shown || t.request.kind != ReportKind::PaymentsDue || t.rowCount() == 0) {
        registerSummary_->clear();
        return;
    }
    // The exact sum of the amounts it writes, as shown, not the Total row's
    // 4-byte-float addition.
    const ExactSum sum = exact_column_sum(t, 1);
    const QString total = fromAnsi(exact_sum_text(sum, context_.state.regional));
    registerSummary_->setText(
        QString(sum.exact ? "Would write %1 payment(s), %2 in all (the rows' exact sum), dated %3"
                          : "Would write %1 payment(s), about %2 in all, dated %3")
            .arg(sum.rows)
            .arg(total)
            .arg(fromAnsi(format_date(t.request.range.to, context_.state.regional))));
}

char ReportWindow::separator() const {
    if (comma_->isChecked()) return ',';
    if (space_->isChecked()) return ' ';
    return ';';
}

QString ReportWindow::statusText() const { return status_->text(); }

void ReportWindow::setStatus(const QString& text) { status_->setText(text); }

void ReportWindow::saveInBackground(const SaveFunction& save) {
    if (refuse_while_busy(context_, this)) return;
    try {
        // The table stays as it is while the work runs (see registerPayments).
        const auto path = long_work_result(context_, this, kSaveWork,
                                           [&save, state = context_.state, &shown = table()](
                                               Progress& p) { return save(shown, state, p); });
        setStatus("Saved as " + path_text(path));
    } catch (const Cancelled&) {
        setStatus("Cancelled.");  // the earlier export stays
    }
}

void ReportWindow::saveText() {
    try {
        const char sep = separator();
        saveInBackground([sep](const ReportTable& t, const AppState& s, Progress& p) {
            return save_text(t, sep, s, p);
        });
    } catch (const std::exception& e) {
        context_.message(this, "The report could not be saved as text: " + fromAnsi(e.what()));
    }
}

void ReportWindow::saveHtml() {
    try {
        saveInBackground([](const ReportTable& t, const AppState& s, Progress& p) {
            return save_html(t, s, p);
        });
    } catch (const std::exception& e) {
        context_.message(this, "The report could not be saved as HTML: " + fromAnsi(e.what()));
    }
}

void ReportWindow::saveCsv() {
    try {
        saveInBackground(
            [](const ReportTable& t, const AppState& s, Progress& p) { return save_csv(t, s, p); });
    } catch (const std::exception& e) {
        context_.message(this, kSaveCsvFailed + fromAnsi(e.what()));
    }
}

void ReportWindow::writePayoutFile() {
    const ReportTable& t = table();
    const AppState& s = context_.state;
    if (t.request.kind != ReportKind::PaymentsDue || t.rowCount() == 0) {
        context_.message(this, kMakePaymentsDueFirst);
        return;
    }
    PayoutDialog dialog(context_, this, default_payout_path(s, t), remembered_currency(s));
    if (context_.runDialog(dialog) != QDialog::Accepted) return;
    try {
        PayoutRequest request;
        request.layout = dialog.layout();
        const PayoutLayout layout = request.layout;
        const bool sepa = layout == PayoutLayout::Sepa09 || layout == PayoutLayout::Sepa03;
        request.currency = dialog.currency();
        request.file = dialog.file();
        if (sepa) {
            request.debtor = dialog.debtor();
            const auto date = dialog.executionDate();
            if (!date) throw ReportError("The execution date is not a date");
            request.executionDate = *date;
        }
        const PayoutResult result = write_payout(s, t, request);
        if (layout == PayoutLayout::MassPayment || layout == PayoutLayout::PayPal ||
            layout == PayoutLayout::Wise)
            remember_currency(s, dialog.currency());
        if (sepa) remember_debtor(s, check_debtor(request.debtor).first, layout);
        setStatus("Saved as " + path_text(result.file));
        const QString summary = QString::fromStdString(payout_summary(result, layout));
        if (result.payments.empty() || !file_exists(s.dataFile(file::kPayments))) {
            context_.message(this, summary);
            return;
        }
        offerToRegister(result, summary);
    } catch (const std::exception& e) {
        context_.message(this, kPayoutFailed + fromAnsi(e.what()));
    }
}

// What the bank is sent is what gets registered: the file's amounts, to the
// cent, so the fractions left out stay owed.
void ReportWindow::offerToRegister(const PayoutResult& result, const QString& summary) {
    const AppState& s = context_.state;
    const QString question =
        summary +
        QString(
            "\n\nRegister these payments? OK registers the %1 payment(s) of the "
            "file, %2 in all, dated %3; Cancel registers nothing.")
            .arg(result.rows)
            .arg(QString::fromStdString(minor_amount_text(result.totalMinor, result.minorDigits)))
            .arg(fromAnsi(format_date(result.date, s.regional)));
    if (context_.message(this, question, MessageButtons::OkCancel, kRegisterThesePayments) !=
        MessageAnswer::Ok)
        return;
    try {
        run_long_work(context_, this, kBackupWork, [appDir = s.appDir](Progress& p) {
            automatic_backup(appDir, "payments", p);
        });
        const int written = register_payout_payments(s, result);
        setStatus(QString("%1 payment(s) registered, %2 in all")
                      .arg(written)
                      .arg(QString::fromStdString(
                          minor_amount_text(result.totalMinor, result.minorDigits))));
    } catch (const std::exception&) {
        tellRegisteringFailed();
    }
}

void ReportWindow::printReport() {
    try {
        PrintOutcome outcome = print_report(table(), context_.state);
        setStatus(outcome.toPrinter
                      ? "Sent to the printer " + outcome.printerName
                      : "No printer is installed: printed into " + path_text(outcome.pdf));
    } catch (const std::exception& e) {
        context_.message(this, "The report could not be printed: " + fromAnsi(e.what()));
    }
}

void ReportWindow::printPreview() { show_print_preview(context_, this, table(), chartSource_); }

void ReportWindow::tellRegisteringFailed() {
    try {
        throw;
    } catch (const PartialAppendError& e) {
        context_.message(this,
                         "The payments could not be registered; the payments file may hold "
                         "part of them: " +
                             fromAnsi(e.what()));
    } catch (const std::exception& e) {
        context_.message(
            this, "The payments could not be registered; none was written: " + fromAnsi(e.what()));
    }
}

// What tells one registering from another: the range and every row's
// affiliate and amount as shown.
std::string ReportWindow::registeringKey() const {
    const ReportTable& t = table();
    std::string rows = format_double(t.request.range.from, Regional{}) + ".." +
                       format_double(t.request.range.to, Regional{}) + "\n";
    const size_t end = t.rowCount() - (t.hasTotalRow ? 1 : 0);
    for (size_t r = 1; r < end; ++r) rows += t.text(r, 0) + ";" + t.text(r, 1) + "\n";
    return records_hash(rows);
}

void ReportWindow::registerPayments() {
    if (refuse_while_busy(context_, this)) return;
    const AppState& s = context_.state;
    QString question = "The payments from the Report will be registered on the date  " +
                       fromAnsi(format_date(table().request.range.to, s.regional));
    if (context_.message(this, question, MessageButtons::OkCancel, "Warninig") !=
        MessageAnswer::Ok) {
        return;
    }
    // The same payments registered from this window before are asked about once more.
    const std::string key = table().rowCount() > 2 ? registeringKey() : std::string();
    if (const auto earlier = registered_.find(key); earlier != registered_.end()) {
        const QString again =
            QString("These payments were registered already on %1 (run %2). Register them again?")
                .arg(QString::fromStdString(shown_time(earlier->second.time)))
                .arg(earlier->second.number);
        if (context_.message(this, again, MessageButtons::YesNo) != MessageAnswer::Yes) return;
    }
    try {
        // The table stays as it is while the work runs: a new report is
        // refused and closing the window waits for the worker.
        PaymentRun run;
        const int written = long_work_result(context_, this, kRegisterWork,
                                             [state = s, &shown = table(), &run](Progress& p) {
                                                 // Without a backup nothing is registered.
                                                 automatic_backup(state.appDir, "payments", p);
                                                 return register_payments(state, shown, p, &run);
                                             });
        if (written > 0) registered_[key] = run;
        const ExactSum sum = exact_column_sum(table(), 1);
        setStatus(QString(sum.exact ? "%1 payment(s) registered, %2 in all"
                                    : "%1 payment(s) registered, about %2 in all")
                      .arg(written)
                      .arg(fromAnsi(exact_sum_text(sum, s.regional))));
    } catch (const Cancelled&) {
        setStatus("Cancelled.");  // none was written
    } catch (const std::exception&) {
        tellRegisteringFailed();
    }
}

ReportWindow* show_report_window(UiContext& context, const DateRange& range) {
    return static_cast<ReportWindow*>(context.showOnce(
        "frmReports", [&context, &range] { return new ReportWindow(context, range); }));
}

}  // namespace qdx::ui
