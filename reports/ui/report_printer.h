#pragma once
// The short printout of a report: the title line, then the first printCols
// columns of every row at printPos × 120 twips, rows 276 twips apart, the
// header and the Total row in bold. Printed on the system's default printer
// without a dialog; where no printer is installed, written as a PDF instead.
#include <QString>
#include <filesystem>
#include <string>

#include "core/app_state.h"
#include "reports/report_table.h"

class QPrinter;

namespace qdx::ui {

// Where a printout went: to a printer (by name) or into a PDF file.
struct PrintOutcome {
    bool toPrinter = false;
    QString printerName;
    std::filesystem::path pdf;
};

// Prints on the default printer or, when there is none, writes
// <app>/output/<trimmed caption>.pdf. Throws std::runtime_error on failure.
PrintOutcome print_report(const ReportTable& table, const AppState& state);

// Writes the printout into `pdf` through a temporary file beside it; throws
// std::runtime_error when the file cannot be written.
void print_report_to_pdf(const ReportTable& table, const AppState& state,
                         const std::filesystem::path& pdf);

// The title line of the printout (Windows-1252): the export title, or for a
// downline report the caption + " on " + today.
std::string print_title(const ReportTable& table, const AppState& state);

// Paints the printout on an open printer; false when it cannot be started.
bool paint_report(QPrinter& printer, const ReportTable& table, const AppState& state);

}  // namespace qdx::ui
