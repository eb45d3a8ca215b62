#pragma once
// Voiding the payment the Payments window shows: the dialog names the
// payment (affiliate, sum, date, and its payment run) and proposes today as
// the void's date; Void checks and writes it, Cancel writes nothing.
#include <QDialog>
#include <optional>

#include "registers/void_editing.h"

class QLabel;
class QLineEdit;

namespace qdx::ui {

class UiContext;

class VoidDialog : public QDialog {
    Q_OBJECT
  public:
    VoidDialog(UiContext& context, QWidget* parent, int32_t payment);

    // The void's record number once it was written.
    std::optional<int64_t> written() const { return written_; }

  private:
    void writeVoid();

    UiContext& context_;
    VoidChecker checker_;
    int32_t payment_;
    QLabel* about_;
    QLineEdit* date_;
    std::optional<int64_t> written_;
};

// Asks to confirm the void of `payment` and writes it; says what it did.
void void_payment(UiContext& context, QWidget* parent, int32_t payment);

}  // namespace qdx::ui
