#include "reports/ui/report_actions.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QPointer>
#include <exception>

#include "core/files.h"
#include "core/ui/long_work.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "reports/report_failures.h"
#include "reports/report_kinds.h"
#include "reports/reports.h"
#include "reports/ui/report_window.h"

namespace qdx::ui {
namespace {

// The busy pointer while a report is computed (the windows stay usable); the
// normal pointer comes back however the computation ends.
class WaitPointer {
  public:
    WaitPointer() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~WaitPointer() { QApplication::restoreOverrideCursor(); }
    WaitPointer(const WaitPointer&) = delete;
    WaitPointer& operator=(const WaitPointer&) = delete;
};

// The message for a failure; it is shown once the normal pointer is back.
// The message of a failed report, and what it does not say of it.
struct Failure {
    QString text, detail;
};

Failure failure_text(const UiContext& context, const std::exception& error, OnFailure rule) {
    return {fromAnsi(report_failure_message(context.state.messages, rule, error)),
            fromAnsi(report_failure_detail(rule, error))};
}

// A report that failed leaves the window with the report it showed before.
void report_failure(UiContext& context, ReportWindow* window, const Failure& failure) {
    window->keepShownReport(failure.detail);
    context.message(window, failure.text);
}

// Computes the report on a worker, from a copy of the shared state.
ReportTable make_report_in_background(UiContext& context, QWidget* owner,
                                      const ReportRequest& request) {
    try {
        return long_work_result(context, owner, kReportWork,
                                [state = context.state, request](Progress& progress) {
                                    return make_report(state, request, progress);
                                });
    } catch (const Cancelled&) {
        // A cancelled report leaves no working file; the next report that
        // reads the activity file makes it anew.
        remove_if_exists(context.state.workFile(file::kActivity));
        throw;
    }
}

// Names the report window, then computes the table under the busy pointer
// and shows it there. A cancelled report leaves the window as it was.
void run_in_window(UiContext& context, const ReportKindInfo& kind, const ReportRequest& request) {
    QPointer<ReportWindow> window = show_report_window(context, request.range);
    window->beginReport(kind.caption(request.id), kind.registersPayments);
    Failure failure;
    QString notice;
    bool failed = false;
    {
        WaitPointer wait;
        try {
            ReportTable table = make_report_in_background(context, window, request);
            notice = fromAnsi(table.notice);
            if (window) window->showTable(std::move(table));
        } catch (const Cancelled&) {
            if (window) window->reportCancelled();
            return;
        } catch (const std::exception& error) {
            failed = true;
            failure = failure_text(context, error, kind.onFailure);
        }
    }
    // Told once the normal pointer is back, over the report it concerns.
    if (window && failed) report_failure(context, window, failure);
    if (window && !notice.isEmpty()) context.message(window, notice);
}

// The downline is gathered before the window shows it.
void run_before_window(const ReportInputs& inputs, const ReportKindInfo& kind,
                       const ReportRequest& request) {
    UiContext& context = inputs.context;
    Failure failure;
    {
        WaitPointer wait;
        try {
            ReportTable table = make_report_in_background(context, inputs.window, request);
            show_report_window(context, request.range)->showTable(std::move(table));
            return;
        } catch (const Cancelled&) {
            return;  // nothing was shown yet
        } catch (const std::exception& error) {
            failure = failure_text(context, error, kind.onFailure);
        }
    }
    if (auto* open = qobject_cast<ReportWindow*>(context.openWindow("frmReports")))
        report_failure(context, open, failure);
    else
        context.message(inputs.window, failure.text);
}

// Reads an affiliate ID box: empty, not a number or no such affiliate gets
// its message and ends the report.
bool read_id(const ReportInputs& inputs, QLineEdit* box, int32_t& id) {
    UiContext& context = inputs.context;
    IdCheck check = IdCheck::NotANumber;
    try {
        check = check_report_id(context.state, toAnsi(box->text()), id);
    } catch (const std::exception&) {
        // An unreadable affiliates file ends the report like a wrong value.
    }
    if (check == IdCheck::Ok) return true;
    context.message(inputs.window, id_check_message(context.state.messages, check), box);
    return false;
}

}  // namespace

void run_report(const ReportInputs& inputs, ReportKind kind, QLineEdit* idBox) {
    // Reports are made one at a time.
    if (refuse_while_busy(inputs.context, inputs.window)) return;
    const ReportKindInfo& info = report_kind(kind);
    ReportRequest request;
    request.kind = kind;
    // The ID box is checked before the dates.
    if (info.takesId && !read_id(inputs, idBox, request.id)) return;
    const std::optional<DateRange> range = inputs.readDates();
    if (!range) return;
    request.range = *range;
    request.full = inputs.fullReport();
    request.pages = kind == ReportKind::PaymentsDue && inputs.htmlPages();
    if (kind == ReportKind::Downline)
        run_before_window(inputs, info, request);
    else
        run_in_window(inputs.context, info, request);
}

}  // namespace qdx::ui
