#pragma once
// "Print preview...": the report laid out as print_preview lays it out, in a
// preview dialog of its own that paints only the pages in view (a report of
// a million rows opens at once); its page setup (size, orientation, margins)
// lays the pages out again, and Print prints every page to the printer
// chosen in its print dialog.
#include <QDialog>
#include <QPrinter>
#include <functional>
#include <memory>
#include <optional>

#include "reports/print/print_preview.h"

class QLabel;

namespace qdx::ui {

class UiContext;
class PageStrip;

// Asked when the preview opens: the chart to print with the report, or
// nothing when none is shown.
using PreviewChartSource = std::function<std::optional<PreviewChart>()>;

class PrintPreviewDialog : public QDialog {
    Q_OBJECT
  public:
    PrintPreviewDialog(UiContext& context, const ReportTable& table,
                       std::optional<PreviewChart> chart, QWidget* parent = nullptr);
    ~PrintPreviewDialog() override;

    QPrinter* printer() { return &printer_; }
    int pageCount() const;
    // How many pages have been painted for the view so far.
    int pagesPainted() const;
    // Prints every page on `target` (the dialog's printer, or another).
    bool printTo(QPrinter& target);
    // Lays the pages out again for the printer's page layout as it is now.
    void layOut();

  private:
    void zoom(double factor);
    void pageSetup();
    void print();

    UiContext& context_;
    const ReportTable& table_;
    std::optional<PreviewChart> chart_;
    QPrinter printer_{QPrinter::HighResolution};
    std::unique_ptr<PreviewPages> pages_;
    PageStrip* strip_;
    QLabel* pagesLabel_;
};

// Opens the preview of `table` (through the context's dialog runner) on a
// printer in the report's preferred orientation.
void show_print_preview(UiContext& context, QWidget* parent, const ReportTable& table,
                        const PreviewChartSource& chartSource);

}  // namespace qdx::ui
