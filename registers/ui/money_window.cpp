#include "registers/ui/money_window.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/files.h"
#include "core/history.h"
#include "core/regional.h"
#include "core/tree.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_parts.h"
#include "registers/register_csv.h"
#include "registers/register_export.h"
#include "registers/register_search.h"
#include "registers/side_files.h"
#include "registers/ui/open_register_window.h"
#include "registers/ui/payment_runs_window.h"
#include "registers/ui/refund_dialog.h"
#include "registers/ui/void_dialog.h"

namespace qdx::ui {

MoneyWindow::MoneyWindow(UiContext& context, const MoneyRegister& reg)
    : RecordEditor(context, ("frm" + std::string(reg.caption)).c_str(), reg.dataFile,
                   MoneyRecord::kSize, reg.fields),
      reg_(reg) {
    setWindowTitle(reg.caption);
    txtAffiliateID = addBox(Field::AffiliateId, 0, 0, "lblLabel1", "txtAffiliateID");
    txtSum = addBox(Field::Sum, 1, 0, "lblLabel2", "txtSum");
    txtDate = addBox(Field::Date, 2, 0, "lblLabel3", "txtDate");
    txtDetails = addTextArea(Field::Details, 3, 0, "Label1", "txtDetails");
    txtSdate = addSearchBox(Field::FindDate, 0, "lblLabel4", "txtSdate");
    txtSAffID = addSearchBox(Field::FindAffiliateId, 1, "lblLabel5", "txtSAffID");
    // A correction is added beside the record shown, never written into it:
    // a refund beside a sale, a void beside a payment. The second button
    // opens what the corrections of the register are kept in.
    const bool sales = &reg == &kSalesRegister;
    auto* group = new QWidget(this);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(0, 0, 0, 0);
    QPushButton* correct =
        sales ? make_button(group, "cmdRefundSale", "Refund this sale...",
                            "Take back the commissions of this sale, or of a part of it")
              : make_button(group, "cmdVoidPayment", "Void this payment...",
                            "Take this payment off: its sum is due again");
    QPushButton* kept = sales ? make_button(group, "cmdRefunds", "Refunds...",
                                            "Browse, find and export the refunds, or enter one")
                              : make_button(group, "cmdPaymentRuns", "Payment runs...",
                                            "The runs of Register payments, and their reversal");
    row->addWidget(correct);
    row->addWidget(kept);
    row->addStretch();
    addFieldGroup(group, 4, {correct, kept});
    connect(correct, &QPushButton::clicked, this, [this, sales] {
        if (editMode() != kBrowsing || current_ < 1 || current_ > recordCount_) {
            context_.message(
                this, sales ? "Show the sale to refund first." : "Show the payment to void first.");
            return;
        }
        if (sales)
            refund_sale(context_, this, static_cast<int32_t>(current_));
        else
            void_payment(context_, this, static_cast<int32_t>(current_));
    });
    connect(kept, &QPushButton::clicked, this, [this, sales] {
        if (sales)
            open_register_window(context_, RegisterWindow::Refunds);
        else
            show_payment_runs_window(context_);
    });
    setGoToCaption("Go to the record N");
    resize(560, 540);
    start();
}

std::string MoneyWindow::today() const {
    return format_date(context_.state.today(), context_.state.regional);
}

void MoneyWindow::readRecord(int64_t k) { buffer_ = file_.read<MoneyRecord>(k); }

void MoneyWindow::toForm() {
    const Regional& regional = context_.state.regional;
    setAnsi(txtAffiliateID, format_long(buffer_.affiliateId));
    setAnsi(txtSum, format_single(buffer_.sum, regional));
    setAnsi(txtDate, format_date(buffer_.date, regional));
    showCurrentNumber();
    const auto& appDir = context_.state.appDir;
    ensure_folder(appDir / "addinfo");
    auto details = read_side_file(money_details_file(appDir, reg_.detailsPrefix, current_));
    setAnsi(txtDetails, details.value_or(std::string()));
}

void MoneyWindow::clearForm() {
    txtAffiliateID->clear();
    txtSum->clear();
    txtDetails->clear();
    setAnsi(txtDate, today());
}

void MoneyWindow::inputFields(bool enabled) {
    // The details are never locked.
    for (QLineEdit* box : {txtAffiliateID, txtSum, txtDate}) box->setEnabled(enabled);
}

void MoneyWindow::newRecordDefaults() { setAnsi(txtDate, today()); }

bool MoneyWindow::checkAndWrite() {
    const AppState& state = context_.state;
    MoneyBoxes typed{ansi(txtAffiliateID), ansi(txtSum), ansi(txtDate)};
    if (failed(check_money_boxes(typed, current_, count_affiliates(state), state.regional))) {
        return false;
    }
    buffer_ = money_from_boxes(typed, state.regional);
    log_record_save(state.appDir, file_, current_, buffer_);
    file_.write(current_, buffer_);
    showCurrentNumber();
    ensure_folder(state.appDir / "addinfo");
    std::string details = ansi(txtDetails);
    if (!details.empty()) {
        write_side_file(money_details_file(state.appDir, reg_.detailsPrefix, current_), details);
    }
    return true;
}

void MoneyWindow::afterSave() {
    // Shown again from the files: the details now end with their CR LF.
    toForm();
}

RecordEditor::SearchJob MoneyWindow::searchJob() {
    auto request = money_search(ansi(txtSdate), ansi(txtSAffID), context_.state.regional);
    if (request.empty || failed(request.failure)) return {};
    return [reg = &reg_, criteria = request.criteria, count = recordCount_,
            regional = context_.state.regional](const RecordFile& file, Progress& progress) {
        return find_money(*reg, file, count, criteria, regional, progress);
    };
}

void MoneyWindow::exportRecords(int64_t from, int64_t to) {
    export_money(context_.state, reg_, from, to);
}

std::filesystem::path MoneyWindow::exportCsv() { return export_money_csv(context_.state, reg_); }

}  // namespace qdx::ui
