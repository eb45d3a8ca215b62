#pragma once
// Print: the short printout on the system's default printer without a
// dialog; where no printer is installed, written as a PDF instead.
#include <QString>
#include <filesystem>

#include "core/app_state.h"
#include "reports/report_table.h"

namespace qdx::ui {

// Where a printout went: to a printer (by name) or into a PDF file.
struct PrintOutcome {
    bool toPrinter = false;
    QString printerName;
    std::filesystem::path pdf;
};

// Prints on the default printer or, when there is none, writes
// <app>/output/<caption>.pdf, named as report_file_name names it. Throws std::runtime_error
// on failure.
PrintOutcome print_report(const ReportTable& table, const AppState& state);

}  // namespace qdx::ui
