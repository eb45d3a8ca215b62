#include "reports/ui/report_printer.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <stdexcept>

#include "core/file_names.h"
#include "core/ui/qt_text.h"
#include "reports/print/print_preview.h"
#include "reports/print/report_printout.h"

namespace qdx::ui {

PrintOutcome print_report(const ReportTable& table, const AppState& state) {
    PrintOutcome outcome;
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
        QPrinter printer(info, QPrinter::HighResolution);
        printer.setDocName(fromAnsi(table.caption));
        if (!paint_report(printer, table, state)) {
            throw std::runtime_error("The printer " + info.printerName().toStdString() +
                                     " cannot print the report.");
        }
        outcome.toPrinter = true;
        outcome.printerName = info.printerName();
        return outcome;
    }
    outcome.pdf = state.appDir / "output" / report_file_name(table.caption, ".pdf");
    print_report_to_pdf(table, state, outcome.pdf);
    return outcome;
}

}  // namespace qdx::ui
