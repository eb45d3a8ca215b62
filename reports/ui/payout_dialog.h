#pragma once
// Asks how to write the payout file of the Payments Due report: the layout,
// the currency of the mass-payment form and the provider files, the account
// a SEPA file pays from and its execution date, and the file.
#include <QDialog>
#include <filesystem>
#include <optional>
#include <string>

#include "reports/bank_payouts.h"

class QLineEdit;
class QRadioButton;
class QGroupBox;

namespace qdx::ui {

class UiContext;

class PayoutDialog : public QDialog {
    Q_OBJECT
  public:
    PayoutDialog(UiContext& context, QWidget* parent, const std::filesystem::path& suggestedFile,
                 const std::string& currency);

    PayoutLayout layout() const;
    std::string currency() const;  // as typed, in capitals
    std::filesystem::path file() const;
    SepaDebtor debtor() const;  // as typed
    // The execution date typed, or nothing when it is no date.
    std::optional<double> executionDate() const;

  private:
    void browse();
    void layoutChosen();

    UiContext& context_;
    QRadioButton* qdx_;
    QRadioButton* mass_;
    QRadioButton* sepa_;
    QRadioButton* sepa03_;
    QRadioButton* paypal_;
    QRadioButton* wise_;
    QLineEdit* currency_;
    QLineEdit* file_;
    QGroupBox* debtorFrame_;
    QLineEdit* debtorName_;
    QLineEdit* debtorIban_;
    QLineEdit* debtorBic_;
    QLineEdit* executionDate_;
};

}  // namespace qdx::ui
