#include "registers/ui/refunds_window.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/files.h"
#include "core/regional.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "registers/refund_editing.h"
#include "registers/register_csv.h"
#include "registers/register_export.h"
#include "registers/register_search.h"
#include "registers/side_files.h"

namespace qdx::ui {

RefundsWindow::RefundsWindow(UiContext& context)
    : RecordEditor(context, "frmRefunds", file::kRefunds, RefundRecord::kSize,
                   kRefundsRegister.fields) {
    setWindowTitle("Refunds");
    txtSale = addBox(Field::Sale, 0, 0, "lblRefundSale", "txtSale");
    txtSum = addBox(Field::Sum, 1, 0, "lblRefundSum", "txtSum");
    txtDate = addBox(Field::Date, 2, 0, "lblRefundDate", "txtDate");
    txtDetails = addTextArea(Field::Details, 3, 0, "lblRefundDetails", "txtDetails");
    txtSdate = addSearchBox(Field::FindDate, 0, "lblFindRefundDate", "txtSdate");
    txtSSale = addSearchBox(Field::FindAffiliateId, 1, "lblFindRefundSale", "txtSSale");
    // Only ever added to: a refund on file is never edited.
    if (auto* edit = findChild<QPushButton*>("cmdEdit")) edit->hide();
    setGoToCaption("Go to the record N");
    resize(560, 540);
    start();
}

void RefundsWindow::readRecord(int64_t k) { buffer_ = file_.read<MoneyRecord>(k); }

void RefundsWindow::toForm() {
    const Regional& regional = context_.state.regional;
    setAnsi(txtSale, format_long(buffer_.affiliateId));
    setAnsi(txtSum, format_single(buffer_.sum, regional));
    setAnsi(txtDate, format_date(buffer_.date, regional));
    showCurrentNumber();
    const auto details = read_side_file(refund_details_file(context_.state.appDir, current_));
    setAnsi(txtDetails, details.value_or(std::string()));
}

void RefundsWindow::clearForm() {
    for (QLineEdit* box : {txtSale, txtSum, txtDate}) box->clear();
    txtDetails->clear();
}

void RefundsWindow::inputFields(bool enabled) {
    for (QLineEdit* box : {txtSale, txtSum, txtDate}) box->setEnabled(enabled);
    txtDetails->setReadOnly(!enabled);
}

void RefundsWindow::newRecordDefaults() {
    setAnsi(txtDate, format_date(context_.state.today(), context_.state.regional));
}

bool RefundsWindow::checkAndWrite() {
    if (editMode() != kCreating) {
        context_.message(this,
                         "A refund is never changed once registered: enter a further "
                         "refund, or see the refunds of the sale in the list.");
        return false;
    }
    const RefundChecker checker(context_.state);
    const RefundBoxes boxes{ansi(txtSale), ansi(txtSum), ansi(txtDate)};
    if (const auto failure = checker.check(boxes)) {
        std::string text = message_text(context_.state.messages, failure->message);
        if (!failure->detail.empty()) text += ": " + failure->detail;
        QWidget* box = failure->box == RefundBox::Sale  ? txtSale
                       : failure->box == RefundBox::Sum ? txtSum
                                                        : txtDate;
        context_.message(this, text, box);
        return false;
    }
    const RefundRecord refund = checker.record(boxes);
    current_ = save_refund(context_.state, refund, ansi(txtDetails));
    recordCount_ = file_.count();
    buffer_ = file_.read<MoneyRecord>(current_);
    return true;
}

RecordEditor::SearchJob RefundsWindow::searchJob() {
    auto request = money_search(ansi(txtSdate), ansi(txtSSale), context_.state.regional);
    if (request.empty || failed(request.failure)) return {};
    return [criteria = request.criteria, count = recordCount_, regional = context_.state.regional](
               const RecordFile& file, Progress& progress) {
        return find_money(kRefundsRegister, file, count, criteria, regional, progress);
    };
}

int RefundsWindow::sortColumnAfterSearch() const { return money_sort_column(kRefundsRegister); }

void RefundsWindow::exportRecords(int64_t from, int64_t to) {
    export_money(context_.state, kRefundsRegister, from, to);
}

std::filesystem::path RefundsWindow::exportCsv() {
    return export_money_csv(context_.state, kRefundsRegister);
}

}  // namespace qdx::ui
