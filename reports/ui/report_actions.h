#pragma once
// The seven reports asked for from the main window. Each reads its ID box
// (where it has one) and the date range, opens the report window, computes
// the report on a worker (long_work.h: progress dialog, Cancel) and hands the
// table over. A report asked for while another is made is refused.
#include <functional>
#include <optional>

#include "reports/report_request.h"

class QLineEdit;
class QWidget;

namespace qdx::ui {

class UiContext;

// What a report reads from the window that asks for it; the app fills it
// from the main window.
struct ReportInputs {
    UiContext& context;
    QWidget* window;  // the asking window, parent of the messages about its boxes
    // Reads the date range; nothing after its message.
    std::function<std::optional<DateRange>()> readDates;
    std::function<bool()> fullReport;  // Full rather than Short
    std::function<bool()> htmlPages;   // the affiliate pages beside Payments Due
};

// Asks for the report of this kind and shows it; idBox holds the affiliate's
// ID of the reports that take one.
void run_report(const ReportInputs& inputs, ReportKind kind, QLineEdit* idBox = nullptr);

}  // namespace qdx::ui
