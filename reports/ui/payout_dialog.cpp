#include "reports/ui/payout_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/ui/ui_context.h"
#include "core/ui/window_parts.h"

namespace qdx::ui {

namespace {

QRadioButton* make_layout_option(QWidget* parent, const char* name, const QString& caption) {
    auto* o = new QRadioButton(caption, parent);
    o->setObjectName(name);
    o->setAccessibleName(caption);
    return o;
}

}  // namespace

PayoutDialog::PayoutDialog(UiContext& context, QWidget* parent,
                           const std::filesystem::path& suggestedFile, const std::string& currency)
    : QDialog(parent), context_(context) {
    setObjectName("dlgPayout");
    setWindowTitle("Write payout file");

    auto* frame = new QGroupBox("Layout", this);
    frame->setObjectName("framePayoutLayout");
    qdx_ = make_layout_option(frame, "optPayoutQdx",
                              "Affiliate ID, Name, Surname, E-mail, Amount, Unit");
    mass_ = make_layout_option(frame, "optPayoutMass",
                               "Mass payment: e-mail, amount, currency, affiliate ID, note");
    qdx_->setChecked(true);
    auto* options = new QVBoxLayout(frame);
    options->addWidget(qdx_);
    options->addWidget(mass_);

    auto* currencyLabel = new QLabel("&Currency code:", this);
    currencyLabel->setObjectName("lblCurrency");
    currency_ = new QLineEdit(QString::fromStdString(currency), this);
    currency_->setObjectName("txtCurrency");
    currency_->setAccessibleName("Currency code");
    currency_->setMaxLength(3);
    currency_->setPlaceholderText("EUR");
    currencyLabel->setBuddy(currency_);

    auto* fileLabel = new QLabel("&File:", this);
    fileLabel->setObjectName("lblPayoutFile");
    file_ = new QLineEdit(QString::fromStdString(suggestedFile.string()), this);
    file_->setObjectName("txtPayoutFile");
    file_->setAccessibleName("Payout file");
    fileLabel->setBuddy(file_);
    auto* browse = make_button(this, "cmdBrowsePayout", "Browse...", "Choose the payout file");

    auto* ok = make_button(this, "cmdPayoutOK", "Write");
    auto* cancel = make_button(this, "cmdPayoutCancel", "Cancel");
    ok->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(currencyLabel, 0, 0);
    grid->addWidget(currency_, 0, 1);
    grid->addWidget(fileLabel, 1, 0);
    grid->addWidget(file_, 1, 1);
    grid->addWidget(browse, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* page = new QVBoxLayout(this);
    page->addWidget(frame);
    page->addLayout(grid);
    page->addLayout(buttons);

    QWidget* order[] = {qdx_, mass_, currency_, file_, browse, ok, cancel};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(qdx_, &QRadioButton::toggled, this, &PayoutDialog::layoutChosen);
    connect(browse, &QPushButton::clicked, this, &PayoutDialog::browse);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layoutChosen();
    resize(520, sizeHint().height());
}

void PayoutDialog::layoutChosen() { currency_->setEnabled(mass_->isChecked()); }

void PayoutDialog::browse() {
    const QString chosen = context_.chooseFile(
        {this, "Payout file", file_->text(), "CSV files (*.csv);;All files (*)", true});
    if (!chosen.isEmpty()) file_->setText(chosen);
}

PayoutLayout PayoutDialog::layout() const {
    return mass_->isChecked() ? PayoutLayout::MassPayment : PayoutLayout::Qdx;
}

std::string PayoutDialog::currency() const {
    return currency_->text().trimmed().toUpper().toStdString();
}

std::filesystem::path PayoutDialog::file() const {
    return std::filesystem::path(file_->text().trimmed().toStdString());
}

}  // namespace qdx::ui
