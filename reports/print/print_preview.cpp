#include "reports/print/print_preview.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>

#include "core/atomic_file.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/ui/qt_text.h"
#include "reports/print/report_printout.h"
#include "reports/report_export.h"

namespace qdx {

using ui::fromAnsi;

namespace {

constexpr double kRowPoints = 9;       // the rows' type, when the columns fit
constexpr double kSmallestPoints = 5;  // a report too wide is set no smaller
constexpr double kTitlePoints = 14;
constexpr double kFooterPoints = 8;
constexpr double kMarginPoints = 36;  // half an inch around the PDF's page
constexpr double kChartGapPoints = 12;

// Column widths are measured over every row of a small report; of a large
// one over its first and last rows and an even spread between, so a million
// rows are not laid out twice. A text wider than its column (one the sample
// missed) is shortened with an ellipsis rather than run into the next one.
constexpr size_t kAllRowsUpTo = 4000;
constexpr size_t kHeadSample = 2000;
constexpr size_t kTailSample = 500;
constexpr size_t kSpreadSample = 1500;

std::vector<size_t> sampled_rows(size_t rows) {
    std::vector<size_t> sample;
    if (rows <= kAllRowsUpTo) {
        for (size_t r = 0; r < rows; ++r) sample.push_back(r);
        return sample;
    }
    for (size_t r = 0; r < kHeadSample; ++r) sample.push_back(r);
    const size_t middle = rows - kHeadSample - kTailSample;
    for (size_t k = 0; k < kSpreadSample; ++k)
        sample.push_back(kHeadSample + k * middle / kSpreadSample);
    for (size_t r = rows - kTailSample; r < rows; ++r) sample.push_back(r);
    return sample;
}

// The text of a cell as the preview prints it: without the blanks the grid
// pads it with, so that numbers line up on the right.
QString shown_cell(const ReportTable& table, size_t row, size_t column) {
    return fromAnsi(cell_text(table, row, column)).trimmed();
}

size_t printed_columns(const ReportTable& table) {
    const size_t wanted = static_cast<size_t>(std::max<int16_t>(table.printCols, 0));
    return std::min(wanted, table.columnCount());
}

bool is_bold_row(const ReportTable& table, size_t row) {
    return row == 0 || (table.hasTotalRow && row + 1 == table.rowCount());
}

QFont type_of(double points, bool bold) {
    QFont font("Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// A column holds numbers when most of its sampled data rows read back as
// one; dates are not numbers here.
bool is_number_column(const ReportTable& table, size_t column, const std::vector<size_t>& rows) {
    if (table.rowCount() > 1 && table.kind(1, column) == ReportTable::Kind::Date) return false;
    size_t numbers = 0, texts = 0;
    for (size_t r : rows) {
        if (r == 0) continue;
        if (std::isfinite(table.number(r, column))) {
            ++numbers;
        } else if (!shown_cell(table, r, column).isEmpty()) {
            ++texts;
        }
    }
    return numbers > 0 && numbers >= texts;
}

// The natural widths of the printed columns at `points`, in device dots.
std::vector<double> measure_columns(const ReportTable& table, const std::vector<size_t>& rows,
                                    size_t columns, double points, QPaintDevice& device) {
    const QFontMetricsF plain(type_of(points, false), &device);
    const QFontMetricsF bold(type_of(points, true), &device);
    std::vector<double> widths(columns, 0.0);
    for (size_t r : rows) {
        const QFontMetricsF& metrics = is_bold_row(table, r) ? bold : plain;
        for (size_t c = 0; c < columns; ++c)
            widths[c] = std::max(widths[c], metrics.horizontalAdvance(shown_cell(table, r, c)));
    }
    return widths;
}

double sum_with_gaps(const std::vector<double>& widths, double gap) {
    double total = 0;
    for (double w : widths) total += w;
    return total + gap * static_cast<double>(widths.empty() ? 0 : widths.size() - 1);
}

// Breaks the title at blanks into lines no wider than `width`; a word wider
// than a line is broken where it has to be.
QStringList wrap_title(const QString& title, const QFontMetricsF& metrics, double width) {
    QStringList lines;
    QString line;
    for (const QString& word : title.split(' ', Qt::SkipEmptyParts)) {
        const QString joined = line.isEmpty() ? word : line + ' ' + word;
        if (metrics.horizontalAdvance(joined) <= width) {
            line = joined;
            continue;
        }
        if (!line.isEmpty()) lines << line;
        line = word;
        while (line.size() > 1 && metrics.horizontalAdvance(line) > width) {
            int fits = 1;
            while (fits < line.size() && metrics.horizontalAdvance(line.left(fits + 1)) <= width)
                ++fits;
            lines << line.left(fits);
            line = line.mid(fits);
        }
    }
    if (!line.isEmpty() || lines.isEmpty()) lines << line;
    return lines;
}

// The pages in device dots: the printable area, the columns across it, the
// height of each part, and how many rows each page holds.
struct Pages {
    double dots = 1;  // device dots per point
    QRectF area;      // printable area, device dots, origin at its top left
    QPointF margin;   // of the printable area on the page, points
    std::vector<double> left, width;
    std::vector<bool> alignRight;
    double points = kRowPoints;
    QFont plain, bold, title, footer;
    QStringList titleLines;
    double titleLine = 0, titleHeight = 0, rowHeight = 0, ascent = 0, footerHeight = 0;
    double chartHeight = 0;  // with its gap; 0 without a chart
    bool chartFirst = false;
    size_t firstPageRows = 1, pageRows = 1;
    size_t rows = 0;  // printed below the header: the data rows and the Total row
    int count = 1;
};

Pages lay_out(QPagedPaintDevice& device, const ReportTable& table, const AppState& state,
              const PreviewChart* chart) {
    Pages p;
    p.dots = device.logicalDpiY() / 72.0;
    const QPageLayout page = device.pageLayout();
    p.area = QRectF(QPointF(0, 0), QSizeF(page.paintRectPixels(device.logicalDpiX()).size()));
    p.margin = page.paintRect(QPageLayout::Point).topLeft();

    const size_t columns = printed_columns(table);
    const std::vector<size_t> rows = sampled_rows(table.rowCount());
    auto gap = [&p](double points) { return points * 1.5 * p.dots; };
    std::vector<double> widths = measure_columns(table, rows, columns, kRowPoints, device);
    const double natural = sum_with_gaps(widths, gap(kRowPoints));
    double total = natural;
    // Smaller type until the columns fit across (type does not narrow quite
    // in proportion, hence a few tries); at the smallest size the columns
    // share the width and long texts are shortened.
    for (int attempt = 0; attempt < 6 && total > p.area.width() && p.points > kSmallestPoints;
         ++attempt) {
        p.points = std::max(kSmallestPoints, p.points * p.area.width() / total * 0.995);
        widths = measure_columns(table, rows, columns, p.points, device);
        total = sum_with_gaps(widths, gap(p.points));
    }
    if (total > p.area.width()) {
        const double texts = sum_with_gaps(widths, 0);
        const double room = std::max(0.0, p.area.width() - (total - texts));
        for (double& w : widths) w *= room / texts;
    }
    double x = 0;
    for (size_t c = 0; c < columns; ++c) {
        p.left.push_back(x);
        p.width.push_back(widths[c]);
        p.alignRight.push_back(is_number_column(table, c, rows));
        x += widths[c] + gap(p.points);
    }

    p.plain = type_of(p.points, false);
    p.bold = type_of(p.points, true);
    p.title = type_of(kTitlePoints, true);
    p.footer = type_of(kFooterPoints, false);
    const QFontMetricsF titleMetrics(p.title, &device);
    p.titleLines = wrap_title(fromAnsi(print_title(table, state)), titleMetrics, p.area.width());
    p.titleLine = titleMetrics.lineSpacing();
    p.titleHeight = p.titleLine * static_cast<double>(p.titleLines.size()) + p.titleLine / 2;
    const QFontMetricsF rowMetrics(p.bold, &device);
    p.rowHeight = rowMetrics.lineSpacing() * 1.25;
    p.ascent = rowMetrics.ascent();
    p.footerHeight = QFontMetricsF(p.footer, &device).lineSpacing() * 2;
    if (chart && chart->paint) {
        p.chartHeight = (chart->height + kChartGapPoints) * p.dots;
        p.chartFirst = chart->page == PreviewChart::Page::First;
    }

    // Every page: the header row and the footer; the first also the title
    // (and a chart placed first).
    const double header = p.rowHeight * 1.2;
    const double body = p.area.height() - header - p.footerHeight;
    const double firstBody = body - p.titleHeight - (p.chartFirst ? p.chartHeight : 0);
    p.pageRows = static_cast<size_t>(std::max(1.0, std::floor(body / p.rowHeight)));
    p.firstPageRows = static_cast<size_t>(std::max(1.0, std::floor(firstBody / p.rowHeight)));
    p.rows = table.rowCount() > 1 ? table.rowCount() - 1 : 0;
    size_t lastPageRows = std::min(p.rows, p.firstPageRows);
    if (p.rows > p.firstPageRows) {
        const size_t rest = p.rows - p.firstPageRows;
        const size_t more = (rest + p.pageRows - 1) / p.pageRows;
        p.count = static_cast<int>(1 + more);
        lastPageRows = rest - (more - 1) * p.pageRows;
    }
    if (p.chartHeight > 0 && !p.chartFirst) {
        const double used = (p.count == 1 ? p.titleHeight : 0) + header +
                            static_cast<double>(lastPageRows) * p.rowHeight;
        if (used + p.chartHeight > p.area.height() - p.footerHeight) ++p.count;
    }
    return p;
}

PreviewLayout layout_in_points(const Pages& p, QPageLayout::Orientation orientation) {
    PreviewLayout layout;
    for (size_t c = 0; c < p.left.size(); ++c) {
        const double left = p.margin.x() + p.left[c] / p.dots;
        layout.columns.push_back({left, left + p.width[c] / p.dots, p.alignRight[c]});
    }
    layout.titleLines = p.titleLines;
    layout.fontSize = p.points;
    layout.pages = p.count;
    layout.orientation = orientation;
    return layout;
}

// Paints one page at a time with the metrics of the device laid out for.
class PreviewPainter {
  public:
    PreviewPainter(QPaintDevice& device, const ReportTable& table, const Pages& pages,
                   const PreviewChart* chart)
        : table_(table),
          p_(pages),
          chart_(chart),
          plain_(pages.plain, &device),
          bold_(pages.bold, &device),
          title_(pages.title, &device),
          footer_(pages.footer, &device) {}

    void paintPage(QPainter& painter, int page) const {
        painter.setRenderHint(QPainter::TextAntialiasing);
        double y = paintFooter(painter, page);
        if (page == 1) {
            painter.setFont(p_.title);
            for (const QString& line : p_.titleLines) {
                painter.drawText(QPointF(0, y + title_.ascent()), line);
                y += p_.titleLine;
            }
            y += p_.titleLine / 2;
            if (p_.chartHeight > 0 && p_.chartFirst) y = paintChart(painter, y);
        }
        const size_t first = page == 1 ? 1 : p_.firstPageRows + (page - 2) * p_.pageRows + 1;
        const size_t capacity = page == 1 ? p_.firstPageRows : p_.pageRows;
        const size_t last = std::min(p_.rows, first + capacity - 1);
        if (page == 1 || first <= last) {
            y = paintHeader(painter, y);
            for (size_t row = first; row <= last; ++row) {
                const bool total = table_.hasTotalRow && row + 1 == table_.rowCount();
                if (total) {
                    painter.setPen(QPen(Qt::black, p_.dots * 0.5));
                    painter.drawLine(QPointF(0, y), QPointF(p_.area.width(), y));
                }
                paintRow(painter, row, y);
                y += p_.rowHeight;
            }
        }
        if (p_.chartHeight > 0 && !p_.chartFirst && page == p_.count)
            paintChart(painter, (first <= last ? y : 0) + kChartGapPoints * p_.dots / 2);
    }

  private:
    // Prints the page's number at the bottom; returns the top of its body.
    double paintFooter(QPainter& painter, int page) const {
        painter.setFont(p_.footer);
        painter.setPen(Qt::black);
        const QString number = QString("Page %1 of %2").arg(page).arg(p_.count);
        const double x = (p_.area.width() - footer_.horizontalAdvance(number)) / 2;
        painter.drawText(QPointF(x, p_.area.height() - footer_.descent()), number);
        return 0;
    }

    double paintHeader(QPainter& painter, double y) const {
        paintRow(painter, 0, y);
        y += p_.rowHeight;
        painter.setPen(QPen(Qt::black, p_.dots * 0.5));
        painter.drawLine(QPointF(0, y), QPointF(p_.area.width(), y));
        return y + p_.rowHeight * 0.2;
    }

    void paintRow(QPainter& painter, size_t row, double y) const {
        const bool boldRow = is_bold_row(table_, row);
        painter.setFont(boldRow ? p_.bold : p_.plain);
        painter.setPen(Qt::black);
        const QFontMetricsF& metrics = boldRow ? bold_ : plain_;
        const double baseline = y + p_.ascent;
        for (size_t c = 0; c < p_.left.size(); ++c) {
            QString text = shown_cell(table_, row, c);
            if (text.isEmpty()) continue;
            double advance = metrics.horizontalAdvance(text);
            if (advance > p_.width[c]) {
                text = metrics.elidedText(text, Qt::ElideRight, p_.width[c]);
                advance = metrics.horizontalAdvance(text);
            }
            // Numbers and their column's caption keep to the right; a text
            // (" Total") in a column of numbers keeps to the left.
            const bool right =
                p_.alignRight[c] && (row == 0 || std::isfinite(table_.number(row, c)));
            const double x = right ? p_.left[c] + p_.width[c] - advance : p_.left[c];
            painter.drawText(QPointF(x, baseline), text);
        }
    }

    double paintChart(QPainter& painter, double y) const {
        const QRectF area(0, y, p_.area.width(), chart_->height * p_.dots);
        painter.save();
        painter.setClipRect(area);
        chart_->paint(painter, area);
        painter.restore();
        return y + p_.chartHeight;
    }

    const ReportTable& table_;
    const Pages& p_;
    const PreviewChart* chart_;
    QFontMetricsF plain_, bold_, title_, footer_;
};

}  // namespace

std::string cell_text(const ReportTable& table, size_t row, size_t column) {
    return row < table.rowCount() && column < table.columnCount() ? table.text(row, column)
                                                                  : std::string();
}

PreviewChart chart_from_picture(const QPicture& picture, PreviewChart::Page page, double height) {
    PreviewChart chart;
    chart.page = page;
    chart.height = height;
    chart.paint = [picture](QPainter& painter, const QRectF& area) {
        const QRectF bounds = picture.boundingRect();
        if (bounds.isEmpty()) return;
        const double scale =
            std::min(area.width() / bounds.width(), area.height() / bounds.height());
        painter.translate(area.center().x() - bounds.center().x() * scale,
                          area.top() - bounds.top() * scale);
        painter.scale(scale, scale);
        painter.drawPicture(0, 0, picture);
    };
    return chart;
}

QPageLayout::Orientation preferred_orientation(const ReportTable& table) {
    // Measured as the PDF's A4 page would print it upright.
    QBuffer nowhere;  // nothing is painted on the probe
    QPdfWriter probe(&nowhere);
    probe.setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(kMarginPoints, kMarginPoints, kMarginPoints, kMarginPoints), QPageLayout::Point));
    const double upright = probe.pageLayout().paintRectPixels(probe.logicalDpiX()).width();
    const double gap = kRowPoints * 1.5 * probe.logicalDpiY() / 72.0;
    const auto widths = measure_columns(table, sampled_rows(table.rowCount()),
                                        printed_columns(table), kRowPoints, probe);
    return sum_with_gaps(widths, gap) > upright ? QPageLayout::Landscape : QPageLayout::Portrait;
}

struct PreviewPages::Impl {
    Impl(QPagedPaintDevice& device, const ReportTable& t, const AppState& state,
         const PreviewChart* c)
        : table(t),
          chart(c && c->paint ? std::optional<PreviewChart>(*c) : std::nullopt),
          pages(lay_out(device, t, state, chart ? &*chart : nullptr)),
          layout(layout_in_points(pages, device.pageLayout().orientation())),
          painter(device, t, pages, chart ? &*chart : nullptr) {}
    const ReportTable& table;
    std::optional<PreviewChart> chart;
    Pages pages;
    PreviewLayout layout;
    PreviewPainter painter;
};

PreviewPages::PreviewPages(QPagedPaintDevice& device, const ReportTable& table,
                           const AppState& state, const PreviewChart* chart)
    : impl_(std::make_unique<Impl>(device, table, state, chart)) {}

PreviewPages::~PreviewPages() = default;

int PreviewPages::count() const { return impl_->pages.count; }

const PreviewLayout& PreviewPages::layout() const { return impl_->layout; }

void PreviewPages::paintPage(QPainter& painter, int page) const {
    if (page >= 1 && page <= count()) impl_->painter.paintPage(painter, page);
}

PreviewLayout paint_preview(QPagedPaintDevice& device, const ReportTable& table,
                            const AppState& state, const PreviewChart* chart) {
    const PreviewPages pages(device, table, state, chart);
    PreviewLayout layout = pages.layout();
    QPainter painter;
    if (!painter.begin(&device)) {
        layout.pages = 0;
        return layout;
    }
    for (int page = 1; page <= pages.count(); ++page) {
        if (page > 1) device.newPage();
        pages.paintPage(painter, page);
    }
    if (!painter.end()) layout.pages = 0;
    return layout;
}

PreviewLayout print_preview_to_pdf(const ReportTable& table, const AppState& state,
                                   const std::filesystem::path& pdf, const PreviewChart* chart) {
    if (pdf.has_parent_path()) ensure_folder(pdf.parent_path());
    const std::string failure = "The file " + pdf.string() + " cannot be written.";
    try {
        AtomicFile file(pdf);
        PreviewLayout layout;
        {
            QPdfWriter writer(QString::fromStdString(file.temporaryPath().string()));
            writer.setTitle(fromAnsi(table.caption));
            writer.setCreator("Qdx");
            writer.setPageLayout(
                QPageLayout(QPageSize(QPageSize::A4), preferred_orientation(table),
                            QMarginsF(kMarginPoints, kMarginPoints, kMarginPoints, kMarginPoints),
                            QPageLayout::Point));
            layout = paint_preview(writer, table, state, chart);
        }
        if (layout.pages == 0) throw std::runtime_error(failure);
        file.commit();
        return layout;
    } catch (const FileError& e) {
        throw std::runtime_error(e.what());  // says why the file cannot be written
    }
}

}  // namespace qdx
