#pragma once
// The short printout of a report: the title line, then the first printCols
// columns of every row at printPos × 120 twips, rows 276 twips apart, the
// header and the Total row in bold. Painted on any paged device (a printer or
// a PDF file); needs Qt Gui only.
#include <filesystem>
#include <string>

#include "core/app_state.h"
#include "reports/report_table.h"

class QPagedPaintDevice;

namespace qdx {

// Writes the printout into `pdf` through a temporary file beside it; throws
// std::runtime_error when the file cannot be written.
void print_report_to_pdf(const ReportTable& table, const AppState& state,
                         const std::filesystem::path& pdf);

// The title line of the printout (Windows-1252): the export title, or for a
// downline report the caption + " on " + today.
std::string print_title(const ReportTable& table, const AppState& state);

// Paints the printout on an open device; false when it cannot be started.
bool paint_report(QPagedPaintDevice& device, const ReportTable& table, const AppState& state);

}  // namespace qdx
