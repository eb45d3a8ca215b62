#pragma once
// File ▸ Reverse an import...: the imports of the ledger listed by number,
// the day the reversal is dated (today proposed), what the chosen one would
// take back, and Reverse, which asks once more before it writes.
#include <QDialog>
#include <optional>

#include "registers/import/import_reversal.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace qdx::ui {

class UiContext;

class ImportReversalDialog : public QDialog {
    Q_OBJECT
  public:
    ImportReversalDialog(UiContext& context, QWidget* parent);

    // What was written once Reverse did: the plan and its first record.
    const std::optional<std::pair<ImportReversal, int64_t>>& reversal() const { return reversal_; }

  private:
    // The plan of the import chosen on the date typed, or a sentence why not.
    std::optional<ImportReversal> plan(QString& why) const;
    void describe();
    void reverse();

    UiContext& context_;
    QListWidget* imports_;
    QLineEdit* date_;
    QLabel* what_;
    QPushButton* reverse_;
    std::optional<std::pair<ImportReversal, int64_t>> reversal_;
};

// Shows the dialog and, once an import was reversed, says what was written.
void reverse_an_import(UiContext& context, QWidget* parent);

}  // namespace qdx::ui
