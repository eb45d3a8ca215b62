#pragma once
// frmReports, the one window in which every report is shown: the grid, the
// range it was opened with, and the buttons that save the shown report as
// text or HTML, print its short form and register the payments it lists.
#include <QWidget>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "core/payment_runs.h"
#include "core/progress.h"
#include "reports/report_table.h"
#include "reports/ui/report_preview.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;

namespace qdx {
struct PayoutResult;
}

namespace qdx::ui {

class ChartPage;
class ReportTableModel;
class UiContext;

class ReportWindow : public QWidget {
    Q_OBJECT
  public:
    // Fills txtFrom and txtTo with `range`, the range of the report it is
    // loaded for; later reports shown in it leave them as they are.
    ReportWindow(UiContext& context, const DateRange& range, QWidget* parent = nullptr);

    // A report is starting: names the window and shows or hides "Register
    // payments"; the grid keeps the report shown until the new one is ready.
    void beginReport(const std::string& caption, bool registerPayments);
    // The new report failed: the window names the report its grid still
    // shows, and offers "Register payments" only for a payments-due grid.
    // `detail` (the damaged record a failure names, or empty) goes to the
    // status line.
    void keepShownReport(const QString& detail = QString());
    // The new report was cancelled: the same, and the status line says so.
    void reportCancelled();
    // Shows the finished report (caption and button from the table).
    void showTable(ReportTable table);
    const ReportTable& table() const;

    // The separator chosen in Frame1: ';', ',' or ' '.
    char separator() const;
    // The last status line (where a file was saved or printed).
    QString statusText() const;

    void saveText();
    void saveHtml();
    void saveCsv();
    void printReport();
    // "Print preview...": the report laid out for paper, with page setup.
    void printPreview();
    // The chart printed with the preview (on its first or last page), asked
    // each time the preview opens; without a source, or when it gives
    // nothing, the preview prints the table alone.
    void setPreviewChartSource(PreviewChartSource source) { chartSource_ = std::move(source); }
    void registerPayments();
    // Asks the layout (and the currency of the mass-payment form), writes the
    // payout file of the Payments Due report shown and says what it holds;
    // for any other report says to make that one first.
    void writePayoutFile();

  protected:
    // Closing stops the long work running over the window first.
    void closeEvent(QCloseEvent* event) override;

  private:
    using SaveFunction =
        std::function<std::filesystem::path(const ReportTable&, const AppState&, Progress&)>;
    // Saves the shown report on a worker and says where; refused while other
    // long work runs, and a cancelled save keeps the earlier export.
    void saveInBackground(const SaveFunction& save);
    void buildControls(const DateRange& shown);
    // After a payout file is written: its summary, and the offer to register
    // exactly its payments.
    void offerToRegister(const PayoutResult& result, const QString& summary);
    void setStatus(const QString& text);
    // Says why the payments were not registered; called while the
    // exception that stopped them is handled.
    void tellRegisteringFailed();
    void sizeColumns();
    // The status line of a new report: what it left out, and the rows'
    // exact sums where the Total row differs from them.
    QString reportNote() const;
    // "Register payments", "Write payout file..." and the line that says what
    // registering would write: only beside a payments-due grid.
    void showPaymentsControls(bool shown);
    std::string registeringKey() const;

    UiContext& context_;
    ReportTableModel* model_;
    QTableView* grid_;
    QLineEdit* from_;
    QLineEdit* to_;
    QRadioButton* space_;
    QRadioButton* comma_;
    QRadioButton* semicolon_;
    QPushButton* register_;
    QPushButton* payout_;
    QLabel* registerSummary_;
    QLabel* status_;
    PreviewChartSource chartSource_;
    QTabWidget* views_;  // the grid, and the chart of the reports that have one
    ChartPage* chart_;
    // The runs registered from this window, by registeringKey().
    std::map<std::string, PaymentRun> registered_;
};

// What "Write payout file..." says when no Payments Due report is shown.
extern const char* const kMakePaymentsDueFirst;
// The title of the offer, after a payout file, to register its payments.
extern const char* const kRegisterThesePayments;

// Shows the report window once (key "frmReports"), making it for `range`
// when needed.
ReportWindow* show_report_window(UiContext& context, const DateRange& range);

}  // namespace qdx::ui
