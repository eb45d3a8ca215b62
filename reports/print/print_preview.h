#pragma once
// The print preview's pages: the report's title wrapped over as many lines as
// it needs, then the printed columns (the short report's first printCols)
// side by side, each as wide as its widest text, never over one another; the
// header row repeated at the top of every page and "Page n of m" at the
// bottom. Wide reports go landscape; a report wider than the page is set in
// a smaller type. Painted on any paged device (the preview dialog's printer
// or a PDF file); needs Qt Gui only.
#include <QPageLayout>
#include <QRectF>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/app_state.h"
#include "reports/report_table.h"

class QPagedPaintDevice;
class QPainter;
class QPicture;

namespace qdx {

// Every cell text the preview prints is read here, so that the table's
// storage can change without touching the layout.
std::string cell_text(const ReportTable& table, size_t row, size_t column);

// A picture printed with the report, e.g. the chart the report window
// shows beside the grid. `paint` draws into `area` (device coordinates, the
// full printable width, `height` points high) on the page chosen by `page`:
// on the first page between the title and the table, or after the last row
// (on a page of its own when the last page has no room left).
struct PreviewChart {
    enum class Page { First, Last };
    std::function<void(QPainter& painter, const QRectF& area)> paint;
    Page page = Page::Last;
    double height = 240;  // points
};

// A chart from a recorded picture, scaled to fit the area, its aspect kept.
PreviewChart chart_from_picture(const QPicture& picture,
                                PreviewChart::Page page = PreviewChart::Page::Last,
                                double height = 240);

// Where everything went, in points from the top left corner of the page (so
// it can be compared with what a PDF reader reports).
struct PreviewLayout {
    struct Column {
        double left = 0, right = 0;  // the column's box; its texts stay inside it
        bool alignRight = false;     // numbers
    };
    std::vector<Column> columns;
    QStringList titleLines;  // the title, as wrapped
    double fontSize = 9;     // of the rows, in points
    int pages = 0;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
};

// Landscape when the printed columns at their natural width do not fit
// across an A4 page upright.
QPageLayout::Orientation preferred_orientation(const ReportTable& table);

// The pages laid out once for a device (its page layout and resolution);
// each page is painted on its own, so that a preview paints only the pages
// it shows, whatever the length of the report. The table and the chart's
// painting must outlive it.
class PreviewPages {
  public:
    PreviewPages(QPagedPaintDevice& device, const ReportTable& table, const AppState& state,
                 const PreviewChart* chart = nullptr);
    ~PreviewPages();
    PreviewPages(const PreviewPages&) = delete;
    PreviewPages& operator=(const PreviewPages&) = delete;

    int count() const;
    const PreviewLayout& layout() const;
    // Paints page `page` (1 to count()), the painter's origin at the top left
    // of the printable area, in dots of a device of the same resolution as
    // the one laid out for.
    void paintPage(QPainter& painter, int page) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Paints the preview on an open device with its current page layout.
// Returns the layout used; pages == 0 when painting could not start.
PreviewLayout paint_preview(QPagedPaintDevice& device, const ReportTable& table,
                            const AppState& state, const PreviewChart* chart = nullptr);

// Writes the preview as a PDF (A4, in the preferred orientation) into `pdf`
// through a temporary file beside it; throws std::runtime_error when the
// file cannot be written.
PreviewLayout print_preview_to_pdf(const ReportTable& table, const AppState& state,
                                   const std::filesystem::path& pdf,
                                   const PreviewChart* chart = nullptr);

}  // namespace qdx
