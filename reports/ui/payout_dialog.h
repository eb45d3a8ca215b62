#pragma once
// Asks how to write the payout file of the Payments Due report: the layout,
// the currency of the mass-payment form, and the file.
#include <QDialog>
#include <filesystem>
#include <string>

#include "reports/payout_file.h"

class QLineEdit;
class QRadioButton;

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

  private:
    void browse();
    void layoutChosen();

    UiContext& context_;
    QRadioButton* qdx_;
    QRadioButton* mass_;
    QLineEdit* currency_;
    QLineEdit* file_;
};

}  // namespace qdx::ui
