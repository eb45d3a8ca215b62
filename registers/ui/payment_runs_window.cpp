#include "registers/ui/payment_runs_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/payment_runs.h"
#include "core/regional.h"
#include "core/ui/long_work.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_parts.h"
#include "registers/void_editing.h"
#include "safety/backup.h"

namespace qdx::ui {

namespace {

const QStringList kTitles = {"Run",      "Registered", "From",  "To",
                             "Payments", "Count",      "Total", "Reversed"};

}  // namespace

PaymentRunsWindow::PaymentRunsWindow(UiContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setObjectName("frmPaymentRuns");
    setWindowTitle("Payment runs");
    auto* gridLabel = new QLabel("&Runs registered from the Payments Due report:", this);
    grid_ = new QTableWidget(0, static_cast<int>(kTitles.size()), this);
    grid_->setObjectName("MSFGRuns");
    grid_->setAccessibleName("Payment runs");
    grid_->setHorizontalHeaderLabels(kTitles);
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->horizontalHeader()->setStretchLastSection(true);
    gridLabel->setBuddy(grid_);

    auto* dateLabel = new QLabel("&Voids dated:", this);
    date_ = new QLineEdit(this);
    date_->setObjectName("txtReverseDate");
    date_->setAccessibleName("Date of the voids");
    date_->setText(fromAnsi(format_date(context.state.today(), context.state.regional)));
    dateLabel->setBuddy(date_);
    reverse_ = make_button(this, "cmdReverseRun", "Reverse this run...",
                           "Void every payment of the chosen run that is not voided yet");
    status_ = new QLabel(this);
    status_->setObjectName("lblRunsStatus");
    status_->setWordWrap(true);

    auto* row = new QHBoxLayout;
    row->addWidget(dateLabel);
    row->addWidget(date_);
    row->addWidget(reverse_);
    row->addStretch();
    auto* page = new QVBoxLayout(this);
    page->addWidget(gridLabel);
    page->addWidget(grid_);
    page->addLayout(row);
    page->addWidget(status_);
    setTabOrder(grid_, date_);
    setTabOrder(date_, reverse_);
    connect(reverse_, &QPushButton::clicked, this, &PaymentRunsWindow::reverseRun);
    resize(720, 360);
    refresh();
}

void PaymentRunsWindow::showEvent(QShowEvent* event) {
    refresh();  // a run registered meanwhile is listed when the window comes forward
    QWidget::showEvent(event);
}

std::optional<int64_t> PaymentRunsWindow::chosenRun() const {
    const int row = grid_->currentRow();
    if (row < 0 || !grid_->item(row, 0)) return std::nullopt;
    return grid_->item(row, 0)->text().toLongLong();
}

void PaymentRunsWindow::refresh() {
    const auto chosen = chosenRun();
    const Regional& regional = context_.state.regional;
    const auto runs = read_payment_runs(context_.state.dataDir());
    grid_->setRowCount(static_cast<int>(runs.size()));
    for (int r = 0; r < static_cast<int>(runs.size()); ++r) {
        const PaymentRun& run = runs[static_cast<size_t>(r)];
        const QString cells[] = {
            QString::number(run.number),
            QString::fromStdString(shown_time(run.time)),
            fromAnsi(format_date(run.from, regional)),
            fromAnsi(format_date(run.to, regional)),
            QString("%1 to %2").arg(run.first).arg(run.last),
            QString::number(run.count),
            QString::fromStdString(run.total),
            run.reversal ? "on " + fromAnsi(format_date(run.reversal->date, regional)) : QString()};
        for (int c = 0; c < static_cast<int>(std::size(cells)); ++c)
            grid_->setItem(r, c, new QTableWidgetItem(cells[c]));
        if (chosen && run.number == *chosen) grid_->setCurrentCell(r, 0);
    }
    grid_->resizeColumnsToContents();
    if (runs.empty()) status_->setText("No payment run was registered yet.");
}

void PaymentRunsWindow::reverseRun() {
    if (refuse_while_busy(context_, this)) return;
    const auto run = chosenRun();
    if (!run) {
        context_.message(this, "Choose the run to reverse in the grid first.");
        grid_->setFocus(Qt::OtherFocusReason);
        return;
    }
    const AppState& state = context_.state;
    const auto date = parse_date(toAnsi(date_->text()), state.regional);
    if (!date) {
        context_.message(this,
                         state.messages.incorrectValue + ": \"" + toAnsi(date_->text().trimmed()) +
                             "\" is not a date",
                         date_);
        return;
    }
    try {
        const ReversalPlan plan = plan_reversal(state, *run, *date);
        const QString question = fromAnsi(reversal_summary(plan, state.regional)) +
                                 "\n\nOK writes the voids; Cancel writes nothing.";
        if (context_.message(this, question, MessageButtons::OkCancel,
                             QString("Reverse payment run %1").arg(*run)) != MessageAnswer::Ok)
            return;
        run_long_work(context_, this, kBackupWork, [appDir = state.appDir](Progress& p) {
            automatic_backup(appDir, "voids", p);
        });
        const RunReversal done = reverse_run(state, plan);
        refresh();
        status_->setText(QString("Payment run %1 reversed: voids %2 to %3, %4 in all.")
                             .arg(*run)
                             .arg(done.firstVoid)
                             .arg(done.lastVoid)
                             .arg(QString::fromStdString(done.total)));
    } catch (const ReversalRefused& refused) {
        context_.message(this, fromAnsi(refused.what()));
    } catch (const Cancelled&) {
        status_->setText("Cancelled.");
    } catch (const std::exception& e) {
        context_.message(this, "The run could not be reversed: " + fromAnsi(e.what()));
    }
}

PaymentRunsWindow* show_payment_runs_window(UiContext& context) {
    return static_cast<PaymentRunsWindow*>(
        context.showOnce("frmPaymentRuns", [&context] { return new PaymentRunsWindow(context); }));
}

}  // namespace qdx::ui
