#pragma once
// Refunding the sale the Sales window shows: the sum proposed is what is
// left of it, the date today, an optional details text; Refund checks and
// registers it, Cancel writes nothing.
#include <QDialog>
#include <optional>

#include "registers/refund_editing.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace qdx::ui {

class UiContext;

class RefundDialog : public QDialog {
    Q_OBJECT
  public:
    RefundDialog(UiContext& context, QWidget* parent, int32_t sale);

    // The refund's record number once it was registered.
    std::optional<int64_t> registered() const { return registered_; }

  private:
    void refund();

    UiContext& context_;
    RefundChecker checker_;
    int32_t sale_;
    QLabel* about_;
    QLineEdit* sum_;
    QLineEdit* date_;
    QPlainTextEdit* details_;
    std::optional<int64_t> registered_;
};

// Asks for the refund of `sale` and registers it; says what it took back.
void refund_sale(UiContext& context, QWidget* parent, int32_t sale);

}  // namespace qdx::ui
