#include "reports/ui/report_preview.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMap>
#include <QPageSetupDialog>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_parts.h"

namespace qdx::ui {

namespace {
constexpr int kGap = 12;        // pixels between the pages shown
constexpr int kKeptPages = 16;  // painted pages kept for scrolling back
constexpr double kScreenDpi = 96;
}  // namespace

// The pages one below another at a zoom, scrolled by page rows rather than
// by a widget as tall as all of them (a widget's height stops at 16 million
// pixels, some 14,000 pages). A page is painted when it first comes into
// view, and only the last few painted are kept.
class PageStrip : public QAbstractScrollArea {
  public:
    explicit PageStrip(QWidget* parent) : QAbstractScrollArea(parent) {
        setObjectName("scrPages");
        setAccessibleName("Pages of the print preview");
        viewport()->setObjectName("pagePreview");
        viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
        verticalScrollBar()->setSingleStep(40);
        horizontalScrollBar()->setSingleStep(40);
    }

    void setPages(const PreviewPages* pages, const QPrinter* printer) {
        pages_ = pages;
        printer_ = printer;
        kept_.clear();
        fit();
    }
    void setZoom(double zoom) {
        zoom_ = std::clamp(zoom, 0.25, 4.0);
        kept_.clear();
        fit();
    }
    double zoom() const { return zoom_; }
    int painted() const { return painted_; }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), palette().color(QPalette::Dark));
        if (!pages_ || !printer_) return;
        const QSize page = pageSize();
        const qint64 step = page.height() + kGap;
        const qint64 top = verticalScrollBar()->value();
        const int x = left() - horizontalScrollBar()->value();
        const qint64 first = std::max<qint64>(0, (top + event->rect().top() - kGap) / step);
        const qint64 last =
            std::min<qint64>(pages_->count() - 1, (top + event->rect().bottom()) / step);
        for (qint64 k = first; k <= last; ++k)
            painter.drawImage(QPoint(x, int(kGap + k * step - top)), image(int(k) + 1));
    }
    void resizeEvent(QResizeEvent* event) override {
        QAbstractScrollArea::resizeEvent(event);
        fit();
    }
    void scrollContentsBy(int, int) override { viewport()->update(); }

  private:
    // The paper at the zoom, in screen pixels.
    QSize pageSize() const {
        const QRectF paper = printer_->pageLayout().fullRectPixels(printer_->resolution());
        const double scale = zoom_ * kScreenDpi / printer_->resolution();
        return QSize(std::max(1, int(std::lround(paper.width() * scale))),
                     std::max(1, int(std::lround(paper.height() * scale))));
    }
    int left() const { return std::max(kGap, (viewport()->width() - pageSize().width()) / 2); }
    void fit() {
        if (!printer_) return;
        const QSize page = pageSize();
        const qint64 count = pages_ ? pages_->count() : 0;
        const qint64 height = count * (page.height() + kGap) + kGap;
        const qint64 range = std::max<qint64>(0, height - viewport()->height());
        verticalScrollBar()->setRange(0, int(std::min<qint64>(range, INT_MAX)));
        verticalScrollBar()->setPageStep(std::max(1, viewport()->height()));
        horizontalScrollBar()->setRange(0,
                                        std::max(0, page.width() + 2 * kGap - viewport()->width()));
        horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
        viewport()->update();
    }

    const QImage& image(int page) {
        auto it = kept_.find(page);
        if (it != kept_.end()) return it.value();
        if (kept_.size() >= kKeptPages) {
            // The page furthest from this one goes first.
            auto furthest = kept_.begin();
            for (auto k = kept_.begin(); k != kept_.end(); ++k) {
                if (std::abs(k.key() - page) > std::abs(furthest.key() - page)) furthest = k;
            }
            kept_.erase(furthest);
        }
        const QSize size = pageSize();
        QImage img(size, QImage::Format_RGB32);
        img.fill(Qt::white);
        // The image takes the printer's resolution, so that type is measured
        // as the printer measures it, and is drawn scaled down.
        const int dpi = printer_->resolution();
        img.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
        img.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
        {
            QPainter painter(&img);
            painter.setRenderHint(QPainter::Antialiasing);
            const QRectF paper = printer_->pageLayout().fullRectPixels(dpi);
            const QRectF area = printer_->pageLayout().paintRectPixels(dpi);
            painter.scale(size.width() / paper.width(), size.height() / paper.height());
            painter.translate(area.topLeft());
            pages_->paintPage(painter, page);
        }
        ++painted_;
        return kept_.insert(page, std::move(img)).value();
    }

    const PreviewPages* pages_ = nullptr;
    const QPrinter* printer_ = nullptr;
    double zoom_ = 1.0;
    int painted_ = 0;
    QMap<int, QImage> kept_;
};

PrintPreviewDialog::PrintPreviewDialog(UiContext& context, const ReportTable& table,
                                       std::optional<PreviewChart> chart, QWidget* parent)
    : QDialog(parent), context_(context), table_(table), chart_(std::move(chart)) {
    setObjectName("dlgPrintPreview");
    setWindowTitle("Print preview - " + fromAnsi(table.caption).trimmed());
    setAccessibleName("Print preview");
    printer_.setDocName(fromAnsi(table.caption));
    printer_.setPageOrientation(preferred_orientation(table));

    auto* zoomOut = make_button(this, "cmdZoomOut", "Zoom out");
    auto* zoomIn = make_button(this, "cmdZoomIn", "Zoom in");
    auto* setup =
        make_button(this, "cmdPageSetup", "Page setup...", "Paper, orientation and margins");
    auto* printButton = make_button(this, "cmdPrint", "Print...");
    auto* close = make_button(this, "cmdClose", "Close");
    pagesLabel_ = new QLabel(this);
    pagesLabel_->setObjectName("lblPages");
    pagesLabel_->setAccessibleName("Number of pages");
    auto* tools = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{zoomOut, zoomIn, setup, printButton})
        tools->addWidget(w);
    tools->addWidget(pagesLabel_, 1);
    tools->addWidget(close);

    strip_ = new PageStrip(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(strip_, 1);

    connect(zoomOut, &QPushButton::clicked, this, [this] { zoom(1 / 1.25); });
    connect(zoomIn, &QPushButton::clicked, this, [this] { zoom(1.25); });
    connect(setup, &QPushButton::clicked, this, &PrintPreviewDialog::pageSetup);
    connect(printButton, &QPushButton::clicked, this, &PrintPreviewDialog::print);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(900, 700);
    layOut();
}

PrintPreviewDialog::~PrintPreviewDialog() = default;

int PrintPreviewDialog::pageCount() const { return pages_ ? pages_->count() : 0; }

int PrintPreviewDialog::pagesPainted() const { return strip_->painted(); }

void PrintPreviewDialog::layOut() {
    strip_->setPages(nullptr, &printer_);
    pages_ = std::make_unique<PreviewPages>(printer_, table_, context_.state,
                                            chart_ ? &*chart_ : nullptr);
    strip_->setPages(pages_.get(), &printer_);
    pagesLabel_->setText(QString("%1 page(s)").arg(pages_->count()));
}

void PrintPreviewDialog::zoom(double factor) { strip_->setZoom(strip_->zoom() * factor); }

void PrintPreviewDialog::pageSetup() {
    QPageSetupDialog dialog(&printer_, this);
    if (context_.runDialog(dialog) == QDialog::Accepted) layOut();
}

bool PrintPreviewDialog::printTo(QPrinter& target) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool done =
        paint_preview(target, table_, context_.state, chart_ ? &*chart_ : nullptr).pages > 0;
    QApplication::restoreOverrideCursor();
    return done;
}

void PrintPreviewDialog::print() {
    QPrintDialog dialog(&printer_, this);
    if (context_.runDialog(dialog) != QDialog::Accepted) return;
    if (!printTo(printer_)) {
        context_.message(
            this, QString("The printer %1 cannot print the report.").arg(printer_.printerName()));
        return;
    }
    layOut();  // the print dialog may have changed the paper
}

void show_print_preview(UiContext& context, QWidget* parent, const ReportTable& table,
                        const PreviewChartSource& chartSource) {
    PrintPreviewDialog dialog(context, table, chartSource ? chartSource() : std::nullopt, parent);
    context.runDialog(dialog);
}

}  // namespace qdx::ui
