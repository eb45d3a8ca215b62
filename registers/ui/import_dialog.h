#pragma once
// Bringing records in from a CSV file: the file chosen, the records checked
// (with a progress bar on large files), then a preview of what would be
// stored — the first rows, the count, the total sum and every problem — and
// Import or Cancel. The register window that is open shows the new records.
#include <QDialog>
#include <optional>
#include <stop_token>

#include "registers/import/csv_import.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QProgressDialog;
class QPushButton;
class QTableWidget;

namespace qdx::ui {

class UiContext;

class ImportDialog : public QDialog {
    Q_OBJECT
  public:
    // Checks the file; the dialog then shows what that found.
    ImportDialog(UiContext& context, QWidget* parent, ImportKind kind,
                 const std::filesystem::path& file);

    const ImportPlan& plan() const { return plan_; }
    // What Import wrote; nothing until it has.
    const std::optional<ImportResult>& result() const { return result_; }
    // The first check was cancelled before the dialog showed.
    bool cancelled() const { return cancelled_; }

  private:
    void buildControls();
    // Checks the file again with the options the boxes hold.
    void checkFile();
    void showPlan();
    void runImport();
    // The progress of a check: the bar in the dialog once it shows, a
    // progress dialog with Cancel before. A new stop for every check.
    Progress progressBar();

    UiContext& context_;
    ImportPlan plan_;
    std::optional<ImportResult> result_;
    QProgressDialog* checking_ = nullptr;  // the first check's progress, before the dialog shows
    bool cancelled_ = false;
    std::stop_source stop_;
    QComboBox* delimiter_;
    QComboBox* dates_;
    QCheckBox* again_;
    QCheckBox* latin_;
    QLabel* summary_;
    QTableWidget* preview_;
    QLabel* problemsCaption_;
    QTableWidget* problems_;
    QProgressBar* progress_;
    QPushButton* import_;
};

// The File menu's import: asks for the file, shows the preview and, when
// the records were imported, the register window that is open shows them.
void import_from_file(UiContext& context, QWidget* parent, ImportKind kind);

}  // namespace qdx::ui
