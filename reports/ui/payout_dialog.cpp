#include "reports/ui/payout_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/regional.h"
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
    sepa_ = make_layout_option(frame, "optPayoutSepa",
                               "SEPA credit transfer (pain.001.001.09), bank transfer payees");
    sepa03_ = make_layout_option(frame, "optPayoutSepa03",
                                 "SEPA credit transfer, older form (pain.001.001.03)");
    paypal_ = make_layout_option(frame, "optPayoutPayPal",
                                 "PayPal Payouts, PayPal payees (5,000 rows a file)");
    wise_ =
        make_layout_option(frame, "optPayoutWise", "Wise batch, Wise payees (1,000 rows a file)");
    qdx_->setChecked(true);
    auto* options = new QVBoxLayout(frame);
    for (QRadioButton* o : {qdx_, mass_, sepa_, sepa03_, paypal_, wise_}) options->addWidget(o);

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

    const AppState& state = context.state;
    const SepaDebtor debtor = remembered_debtor(state);
    debtorFrame_ = new QGroupBox("Paid from (SEPA)", this);
    debtorFrame_->setObjectName("frameDebtor");
    auto box = [this](const char* labelName, const char* caption, const char* name,
                      const char* accessible, const std::string& text) {
        auto* label = new QLabel(caption, debtorFrame_);
        label->setObjectName(labelName);
        auto* edit = new QLineEdit(QString::fromStdString(text), debtorFrame_);
        edit->setObjectName(name);
        edit->setAccessibleName(accessible);
        label->setBuddy(edit);
        return std::pair{label, edit};
    };
    auto [nameLabel, name] = box("lblDebtorName", "Account &holder:", "txtDebtorName",
                                 "Account holder (program owner)", debtor.name);
    auto [ibanLabel, iban] =
        box("lblDebtorIban", "&IBAN:", "txtDebtorIban", "IBAN paid from", debtor.iban);
    auto [bicLabel, bic] =
        box("lblDebtorBic", "&BIC (optional):", "txtDebtorBic", "BIC", debtor.bic);
    auto [dateLabel, date] =
        box("lblExecutionDate", "&Execution date:", "txtExecutionDate", "Requested execution date",
            format_date(next_bank_day(state.today()), state.regional));
    debtorName_ = name;
    debtorIban_ = iban;
    debtorBic_ = bic;
    executionDate_ = date;
    debtorName_->setMaxLength(70);
    debtorIban_->setMaxLength(42);
    auto* debtorGrid = new QGridLayout(debtorFrame_);
    int row = 0;
    for (auto [label, edit] : {std::pair{nameLabel, name}, std::pair{ibanLabel, iban},
                               std::pair{bicLabel, bic}, std::pair{dateLabel, date}}) {
        debtorGrid->addWidget(label, row, 0);
        debtorGrid->addWidget(edit, row++, 1);
    }
    if (remembered_sepa_layout(state) == PayoutLayout::Sepa03 && !debtor.iban.empty())
        sepa03_->setChecked(true);
    else if (!debtor.iban.empty())
        sepa_->setChecked(true);

    auto* ok = make_button(this, "cmdPayoutOK", "Write");
    auto* cancel = make_button(this, "cmdPayoutCancel", "Cancel");
    ok->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(currencyLabel, 0, 0);
    grid->addWidget(currency_, 0, 1);
    grid->addWidget(fileLabel, 1, 0);
    grid->addWidget(file_, 1, 1);
    grid->addWidget(browse, 1, 2);
    auto* buttons = buttons_at_right({ok, cancel});
    auto* page = new QVBoxLayout(this);
    page->addWidget(frame);
    page->addLayout(grid);
    page->addWidget(debtorFrame_);
    page->addLayout(buttons);

    QWidget* order[] = {qdx_,        mass_,      sepa_,          sepa03_, paypal_,
                        wise_,       currency_,  file_,          browse,  debtorName_,
                        debtorIban_, debtorBic_, executionDate_, ok,      cancel};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    for (QRadioButton* o : {qdx_, mass_, sepa_, sepa03_, paypal_, wise_})
        connect(o, &QRadioButton::toggled, this, &PayoutDialog::layoutChosen);
    connect(browse, &QPushButton::clicked, this, &PayoutDialog::browse);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layoutChosen();
    resize(520, sizeHint().height());
}

void PayoutDialog::layoutChosen() {
    const bool sepa = sepa_->isChecked() || sepa03_->isChecked();
    currency_->setEnabled(mass_->isChecked() || paypal_->isChecked() || wise_->isChecked());
    debtorFrame_->setEnabled(sepa);
    // A SEPA file is XML, the others CSV: the suggested name follows.
    QString name = file_->text();
    const QString wanted = sepa ? ".xml" : ".csv", other = sepa ? ".csv" : ".xml";
    if (name.endsWith(other, Qt::CaseInsensitive)) {
        name.chop(other.size());
        file_->setText(name + wanted);
    }
}

void PayoutDialog::browse() {
    const QString chosen = context_.chooseFile(
        {this, "Payout file", file_->text(), "CSV files (*.csv);;All files (*)", true});
    if (!chosen.isEmpty()) file_->setText(chosen);
}

PayoutLayout PayoutDialog::layout() const {
    if (mass_->isChecked()) return PayoutLayout::MassPayment;
    if (sepa_->isChecked()) return PayoutLayout::Sepa09;
    if (sepa03_->isChecked()) return PayoutLayout::Sepa03;
    if (paypal_->isChecked()) return PayoutLayout::PayPal;
    if (wise_->isChecked()) return PayoutLayout::Wise;
    return PayoutLayout::Qdx;
}

SepaDebtor PayoutDialog::debtor() const {
    return {debtorName_->text().trimmed().toStdString(),
            debtorIban_->text().trimmed().toStdString(),
            debtorBic_->text().trimmed().toStdString()};
}

std::optional<double> PayoutDialog::executionDate() const {
    return parse_date(executionDate_->text().trimmed().toStdString(), context_.state.regional);
}

std::string PayoutDialog::currency() const {
    return currency_->text().trimmed().toUpper().toStdString();
}

std::filesystem::path PayoutDialog::file() const {
    return std::filesystem::path(file_->text().trimmed().toStdString());
}

}  // namespace qdx::ui
