#include "reports/ui/report_preview.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"

namespace qdx::ui {

void show_print_preview(UiContext& context, QWidget* parent, const ReportTable& table,
                        const PreviewChartSource& chartSource) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(fromAnsi(table.caption));
    printer.setPageOrientation(preferred_orientation(table));
    const std::optional<PreviewChart> chart = chartSource ? chartSource() : std::nullopt;

    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName("dlgPrintPreview");
    dialog.setWindowTitle("Print preview - " + fromAnsi(table.caption).trimmed());
    dialog.setAccessibleName("Print preview");
    const AppState& state = context.state;
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&table, &state, &chart](QPrinter* target) {
                         paint_preview(*target, table, state, chart ? &*chart : nullptr);
                     });
    dialog.resize(900, 700);
    context.runDialog(dialog);
}

}  // namespace qdx::ui
