#include "reports/print/report_printout.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <stdexcept>

#include "core/atomic_file.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/regional.h"
#include "core/text_field.h"
#include "core/ui/qt_text.h"
#include "reports/report_export.h"

namespace qdx {

using ui::fromAnsi;

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kRowStep = 276.0;     // 120 × 2.3 twips between rows
constexpr double kColumnUnit = 120.0;  // printPos counts in twelfths of an inch

// The printer's pen as a line printer sees it: a current position in twips,
// a font size and weight, and text printed at the position.
class PrintHead {
  public:
    PrintHead(QPagedPaintDevice& printer, QPainter& painter)
        : printer_(printer),
          painter_(painter),
          dotsPerTwip_(printer.logicalDpiY() / kTwipsPerInch),
          pageHeight_(printer.pageLayout().paintRectPixels(printer.logicalDpiY()).height() /
                      dotsPerTwip_) {
        font_.setFamily("Arial");
    }

    void setBold(bool bold) { font_.setBold(bold); }
    void setSize(double points) { font_.setPointSizeF(points); }
    void setX(double twips) { x_ = twips; }
    void moveDown(double twips) { y_ += twips; }

    // Prints at the current position; a line that would run past the bottom
    // of the page goes to the top of a new page.
    void print(const QString& text) {
        painter_.setFont(font_);
        QFontMetricsF metrics(font_, &printer_);
        double height = metrics.height() / dotsPerTwip_;
        if (y_ > 0 && y_ + height > pageHeight_) {
            printer_.newPage();
            y_ = 0;
        }
        painter_.drawText(QPointF(x_ * dotsPerTwip_, y_ * dotsPerTwip_ + metrics.ascent()), text);
        x_ += metrics.horizontalAdvance(text) / dotsPerTwip_;
    }
    // Ends the line: back to the left edge, one line of the current font down.
    void endLine() {
        QFontMetricsF metrics(font_, &printer_);
        x_ = 0;
        y_ += metrics.lineSpacing() / dotsPerTwip_;
    }

  private:
    QPagedPaintDevice& printer_;
    QPainter& painter_;
    double dotsPerTwip_;
    double pageHeight_;
    QFont font_;
    double x_ = 0;
    double y_ = 0;
};

bool is_downline(const ReportTable& table) {
    return table.caption.find("ownline") != std::string::npos;
}

void print_row(PrintHead& head, const ReportTable& table, size_t row) {
    size_t columns = std::min<size_t>(static_cast<size_t>(std::max<int16_t>(table.printCols, 0)),
                                      std::min(table.columnCount(), table.printPos.size()));
    for (size_t k = 0; k < columns; ++k) {
        head.setX(table.printPos[k] * kColumnUnit);
        head.print(fromAnsi(table.text(row, k)));
    }
}

}  // namespace

std::string print_title(const ReportTable& table, const AppState& state) {
    if (is_downline(table)) {
        return table.caption + " on " + format_date(state.today(), state.regional);
    }
    return title_line(table, state);
}

bool paint_report(QPagedPaintDevice& printer, const ReportTable& table, const AppState& state) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    PrintHead head(printer, painter);
    head.setX(0);
    head.setBold(true);
    head.setSize(16);
    head.print(fromAnsi(print_title(table, state)));
    head.endLine();
    head.setSize(12);

    const size_t rows = table.rowCount();
    for (size_t i = 0; i + 1 < rows; ++i) {
        head.moveDown(kRowStep);
        if (i >= 1) {
            head.setBold(false);
            head.setSize(9);
        }
        print_row(head, table, i);
    }
    if (rows > 0) {
        head.moveDown(kRowStep);
        if (!is_downline(table)) {
            head.setBold(true);
            head.setSize(12);
        }
        print_row(head, table, rows - 1);
    }
    return painter.end();
}

void print_report_to_pdf(const ReportTable& table, const AppState& state,
                         const std::filesystem::path& pdf) {
    if (pdf.has_parent_path()) ensure_folder(pdf.parent_path());
    const std::string failure = "The file " + pdf.string() + " cannot be written.";
    try {
        AtomicFile file(pdf);
        bool painted = false;
        {
            // The writer finishes the file when it is destroyed; its page is A4 with
            // 10-point margins at 1200 dots per inch, as a PDF printer's is.
            QPdfWriter writer(QString::fromStdString(file.temporaryPath().string()));
            writer.setTitle(fromAnsi(table.caption));
            writer.setCreator("Qdx");
            painted = paint_report(writer, table, state);
        }
        if (!painted) throw std::runtime_error(failure);
        file.commit();
    } catch (const FileError& e) {
        throw std::runtime_error(e.what());  // says why the file cannot be written
    }
}

}  // namespace qdx
