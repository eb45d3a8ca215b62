#include "reports/ui/report_actions.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <exception>
#include <functional>

#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "reports/report_failures.h"
#include "reports/reports.h"
#include "reports/ui/report_window.h"

namespace qdx::ui {
namespace {

// The hourglass while a report is computed; the normal pointer comes back
// however the computation ends.
class WaitPointer {
  public:
    WaitPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitPointer() { QApplication::restoreOverrideCursor(); }
    WaitPointer(const WaitPointer&) = delete;
    WaitPointer& operator=(const WaitPointer&) = delete;
};

// How a report answers a failure while it is computed: the four reports of
// an affiliate's network say the value was incorrect whatever failed; the
// others name the failure.
enum class OnFailure { SayIncorrectValue, SayWhatFailed };

using Build = std::function<ReportTable(AppState&)>;

// The message for a failure; it is shown once the normal pointer is back.
QString failure_text(const UiContext& context, const std::exception& error, OnFailure rule) {
    const bool takesId = rule == OnFailure::SayIncorrectValue;
    return fromAnsi(report_failure_message(context.state.messages, takesId, error));
}

// A report that failed leaves the window with the report it showed before.
void report_failure(UiContext& context, ReportWindow* window, const QString& text) {
    window->keepShownReport();
    context.message(window, text);
}

// Names the report window, then computes the table under the hourglass and
// shows it there.
void run_in_window(const ReportInputs& inputs, const std::string& caption, bool registerPayments,
                   const Build& build, OnFailure rule) {
    UiContext& context = inputs.context;
    ReportWindow* window = show_report_window(context);
    window->beginReport(caption, registerPayments);
    QString failure;
    {
        WaitPointer wait;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        try {
            window->showTable(build(context.state));
            return;
        } catch (const std::exception& error) {
            failure = failure_text(context, error, rule);
        }
    }
    report_failure(context, window, failure);
}

// Reads an affiliate ID box: empty, not a number or no such affiliate gets
// its message and ends the report.
bool read_id(const ReportInputs& inputs, QLineEdit* box, int32_t& id) {
    UiContext& context = inputs.context;
    const Messages& m = context.state.messages;
    IdCheck check = IdCheck::NotANumber;
    try {
        check = check_report_id(context.state, toAnsi(box->text()), id);
    } catch (const std::exception&) {
        // An unreadable affiliates file ends the report like a wrong value.
    }
    switch (check) {
        case IdCheck::Ok:
            return true;
        case IdCheck::Empty:
            context.message(inputs.window, m.enterData, box);
            return false;
        case IdCheck::NoAffiliate:
            context.message(inputs.window, m.noAffiliate, box);
            return false;
        case IdCheck::NotANumber:
            context.message(inputs.window, m.incorrectValue, box);
            return false;
    }
    return false;
}

std::string id_text(int32_t id) { return std::to_string(id); }

}  // namespace

void run_accounts_report(const ReportInputs& inputs) {
    if (!inputs.readDates()) return;
    bool full = inputs.fullReport();
    run_in_window(
        inputs, "Accounts_Report", false, [full](AppState& s) { return accounts_report(s, full); },
        OnFailure::SayWhatFailed);
}

void run_payments_due_report(const ReportInputs& inputs) {
    if (!inputs.readDates()) return;
    bool full = inputs.fullReport();
    bool pages = inputs.htmlPages();
    run_in_window(
        inputs, "Payments_Report", true,
        [full, pages](AppState& s) { return payments_due_report(s, full, pages); },
        OnFailure::SayWhatFailed);
}

void run_ap_performance_report(const ReportInputs& inputs) {
    if (!inputs.readDates()) return;
    run_in_window(
        inputs, "AP_Performance_Report", false,
        [](AppState& s) { return ap_performance_report(s); }, OnFailure::SayWhatFailed);
}

void run_activities_report(const ReportInputs& inputs, QLineEdit* idBox) {
    int32_t id = 0;
    if (!read_id(inputs, idBox, id) || !inputs.readDates()) return;
    bool full = inputs.fullReport();
    std::string caption = id > 0 ? "Activity_Report;ID=" + id_text(id) : "Activity_Report";
    run_in_window(
        inputs, caption, false, [id, full](AppState& s) { return activities_report(s, id, full); },
        OnFailure::SayIncorrectValue);
}

void run_income_structure_report(const ReportInputs& inputs, QLineEdit* idBox) {
    int32_t id = 0;
    if (!read_id(inputs, idBox, id) || !inputs.readDates()) return;
    bool full = inputs.fullReport();
    run_in_window(
        inputs, "Affiliate's " + id_text(id) + " income structure Report", false,
        [id, full](AppState& s) { return income_structure_report(s, id, full); },
        OnFailure::SayIncorrectValue);
}

void run_network_report(const ReportInputs& inputs, QLineEdit* idBox) {
    int32_t id = 0;
    if (!read_id(inputs, idBox, id) || !inputs.readDates()) return;
    // The caption names the affiliate once the report knows its upline.
    run_in_window(
        inputs, "Net_Structure_Report", false, [id](AppState& s) { return network_report(s, id); },
        OnFailure::SayIncorrectValue);
}

void run_downline_report(const ReportInputs& inputs, QLineEdit* idBox) {
    int32_t id = 0;
    if (!read_id(inputs, idBox, id) || !inputs.readDates()) return;
    UiContext& context = inputs.context;
    bool full = inputs.fullReport();
    // The downline is gathered before the window shows it.
    QString failure;
    {
        WaitPointer wait;
        try {
            ReportTable table = downline_report(context.state, id, full);
            show_report_window(context)->showTable(std::move(table));
            return;
        } catch (const std::exception& error) {
            failure = failure_text(context, error, OnFailure::SayIncorrectValue);
        }
    }
    if (auto* open = qobject_cast<ReportWindow*>(context.openWindow("frmReports")))
        report_failure(context, open, failure);
    else
        context.message(inputs.window, failure);
}

}  // namespace qdx::ui
