#include "registers/ui/void_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/payment_runs.h"
#include "core/regional.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_parts.h"

namespace qdx::ui {

VoidDialog::VoidDialog(UiContext& context, QWidget* parent, int32_t payment)
    : QDialog(parent), context_(context), checker_(context.state), payment_(payment) {
    setObjectName("dlgVoid");
    setWindowTitle(QString("Void payment %1").arg(payment));
    const Regional& regional = context.state.regional;
    about_ = new QLabel(this);
    about_->setObjectName("lblVoidPayment");
    about_->setWordWrap(true);
    if (const auto record = checker_.payment(payment)) {
        QString text = QString("Void payment %1 to affiliate %2 of %3, dated %4?")
                           .arg(payment)
                           .arg(record->affiliateId)
                           .arg(fromAnsi(format_single(record->sum, regional)))
                           .arg(fromAnsi(format_date(record->date, regional)));
        const auto runs = read_payment_runs(context.state.dataDir());
        if (const PaymentRun* run = run_of_payment(runs, payment))
            text += QString(" It was registered in payment run %1.").arg(run->number);
        about_->setText(text + " Its whole sum is due again in the range the void is dated.");
    }
    about_->setAccessibleName(about_->text());
    date_ = new QLineEdit(this);
    date_->setObjectName("txtVoidDate");
    date_->setAccessibleName("Date of the void");
    date_->setText(fromAnsi(format_date(context.state.today(), regional)));

    auto* form = new QFormLayout;
    auto* label = new QLabel("&Date of the void:", this);
    label->setBuddy(date_);
    form->addRow(label, date_);
    auto* ok =
        make_button(this, "cmdVoid", "Void", "Write the void: the payment's sum is due again");
    auto* cancel = make_button(this, "cmdVoidCancel", "Cancel");
    ok->setDefault(true);
    auto* buttons = buttons_at_right({ok, cancel});
    auto* page = new QVBoxLayout(this);
    page->addWidget(about_);
    page->addLayout(form);
    page->addLayout(buttons);
    setTabOrder(date_, ok);
    setTabOrder(ok, cancel);
    connect(ok, &QPushButton::clicked, this, &VoidDialog::writeVoid);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void VoidDialog::writeVoid() {
    const VoidBoxes boxes{std::to_string(payment_), toAnsi(date_->text())};
    if (const auto failure = checker_.check(boxes)) {
        const std::string text = void_failure_text(context_.state.messages, *failure);
        if (failure->box == VoidBox::Date) {
            context_.message(this, text, date_);
        } else {
            context_.message(this, fromAnsi(text));
            reject();  // nothing in the dialog can change the payment
        }
        return;
    }
    try {
        written_ = save_void(context_.state, checker_.record(boxes));
    } catch (const std::exception& e) {
        context_.message(this, "Nothing was voided: " + fromAnsi(e.what()));
        return;
    }
    accept();
}

void void_payment(UiContext& context, QWidget* parent, int32_t payment) {
    // What no date can change is said before the dialog opens.
    const VoidBoxes today{std::to_string(payment),
                          format_date(context.state.today(), context.state.regional)};
    if (const auto failure = VoidChecker(context.state).check(today);
        failure && failure->box == VoidBox::Payment) {
        context.message(parent, fromAnsi(void_failure_text(context.state.messages, *failure)));
        return;
    }
    VoidDialog dialog(context, parent, payment);
    if (context.runDialog(dialog) != QDialog::Accepted || !dialog.written()) return;
    context.message(parent, QString("Void %1 written: payment %2 is due again in the range the "
                                    "void is dated.")
                                .arg(*dialog.written())
                                .arg(payment));
}

}  // namespace qdx::ui
