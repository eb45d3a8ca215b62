#include "registers/ui/refund_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/regional.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_parts.h"

namespace qdx::ui {

namespace {

QLineEdit* make_box(QWidget* parent, const char* name, const QString& spoken) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(spoken);
    return box;
}

}  // namespace

RefundDialog::RefundDialog(UiContext& context, QWidget* parent, int32_t sale)
    : QDialog(parent), context_(context), checker_(context.state), sale_(sale) {
    setObjectName("dlgRefund");
    setWindowTitle(QString("Refund sale %1").arg(sale));
    const Regional& regional = context.state.regional;
    const auto record = checker_.sale(sale);
    const double left = std::max(checker_.left(sale), 0.0);

    about_ = new QLabel(this);
    about_->setObjectName("lblRefundSale");
    about_->setWordWrap(true);
    if (record)
        about_->setText(QString("Sale %1 of affiliate %2, %3, dated %4. Left to refund: %5.")
                            .arg(sale)
                            .arg(record->affiliateId)
                            .arg(fromAnsi(format_single(record->sum, regional)))
                            .arg(fromAnsi(format_date(record->date, regional)))
                            .arg(fromAnsi(format_double(left, regional))));
    sum_ = make_box(this, "txtRefundSum", "Sum refunded");
    sum_->setText(fromAnsi(format_double(left, regional)));
    date_ = make_box(this, "txtRefundDate", "Date of the refund");
    date_->setText(fromAnsi(format_date(context.state.today(), regional)));
    details_ = new QPlainTextEdit(this);
    details_->setObjectName("txtRefundDetails");
    details_->setAccessibleName("Details of the refund");
    details_->setTabChangesFocus(true);
    details_->setMaximumHeight(90);

    auto* form = new QFormLayout;
    const std::pair<const char*, QWidget*> rows[] = {
        {"&Sum refunded:", sum_}, {"&Date:", date_}, {"De&tails:", details_}};
    for (auto [caption, box] : rows) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(box);
        form->addRow(label, box);
    }
    auto* ok = make_button(this, "cmdRefund", "Refund",
                           "Register the refund: its commissions are taken back");
    auto* cancel = make_button(this, "cmdRefundCancel", "Cancel");
    ok->setDefault(true);
    auto* buttons = buttons_at_right({ok, cancel});
    auto* page = new QVBoxLayout(this);
    page->addWidget(about_);
    page->addLayout(form);
    page->addLayout(buttons);
    QWidget* order[] = {sum_, date_, details_, ok, cancel};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    connect(ok, &QPushButton::clicked, this, &RefundDialog::refund);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void RefundDialog::refund() {
    const RefundBoxes boxes{std::to_string(sale_), toAnsi(sum_->text()), toAnsi(date_->text())};
    if (const auto failure = checker_.check(boxes)) {
        std::string text = message_text(context_.state.messages, failure->message);
        if (!failure->detail.empty()) text += ": " + failure->detail;
        QWidget* box = failure->box == RefundBox::Date ? date_ : sum_;
        context_.message(this, text, box);
        return;
    }
    try {
        registered_ =
            save_refund(context_.state, checker_.record(boxes), toAnsi(details_->toPlainText()));
    } catch (const std::exception& e) {
        context_.message(this, "Nothing was refunded: " + fromAnsi(e.what()));
        return;
    }
    accept();
}

void refund_sale(UiContext& context, QWidget* parent, int32_t sale) {
    RefundDialog dialog(context, parent, sale);
    if (context.runDialog(dialog) != QDialog::Accepted || !dialog.registered()) return;
    context.message(parent, QString("Refund %1 registered: the commissions of its share of sale "
                                    "%2 are taken back in the range it is dated.")
                                .arg(*dialog.registered())
                                .arg(sale));
}

}  // namespace qdx::ui
