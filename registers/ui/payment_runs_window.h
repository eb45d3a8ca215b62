#pragma once
// frmPaymentRuns, opened from the Payments window: one line per payment run
// of data/payment-runs.ledger (number, when it was registered, its range,
// records, count, total and whether it was reversed), and "Reverse this
// run...", which voids the payments of the chosen run not voided yet, once
// it has said how many and what total.
#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace qdx::ui {

class UiContext;

class PaymentRunsWindow : public QWidget {
    Q_OBJECT
  public:
    explicit PaymentRunsWindow(UiContext& context, QWidget* parent = nullptr);

    // Reads the ledger again into the grid, keeping the chosen run.
    void refresh();
    void reverseRun();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    std::optional<int64_t> chosenRun() const;

    UiContext& context_;
    QTableWidget* grid_;
    QLineEdit* date_;
    QPushButton* reverse_;
    QLabel* status_;
};

// Shows the window once (key "frmPaymentRuns").
PaymentRunsWindow* show_payment_runs_window(UiContext& context);

}  // namespace qdx::ui
