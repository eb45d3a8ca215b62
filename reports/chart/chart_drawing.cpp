#include "reports/chart/chart_drawing.h"

#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QCategoryAxis>
#include <QChart>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGraphicsScene>
#include <QImage>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/atomic_file.h"
#include "core/ui/qt_text.h"

namespace qdx::chart {

using ui::fromAnsi;

const char* const kChartExtensions = "A chart is saved as a .png picture or an .svg drawing";
const char* const kSaveChartFailed = "The chart could not be saved: ";

namespace {

constexpr int kLabelGap = 12;  // pixels between two category labels

// Colours are taken from the palette's active group, also while the widget
// that shows the chart is disabled.
// Series colours from the palette's highlight, turned round the colour
// wheel, kept light on a dark background and dark on a light one.
QColor series_colour(const QPalette& palette, size_t index, size_t count) {
    const QColor base = palette.color(QPalette::Active, QPalette::Highlight);
    const int hue = base.hslHue() < 0 ? 210 : base.hslHue();
    const int saturation = std::max(base.hslSaturation(), 140);
    const bool darkBackground = palette.color(QPalette::Active, QPalette::Base).lightness() < 128;
    const int lightness =
        darkBackground ? std::max(base.lightness(), 150) : std::min(base.lightness(), 120);
    const int turn = 360 / static_cast<int>(std::max<size_t>(count, 3));
    return QColor::fromHsl((hue + static_cast<int>(index) * turn) % 360, saturation, lightness);
}

QColor blend(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - share) + b.redF() * share),
                            static_cast<float>(a.greenF() * (1 - share) + b.greenF() * share),
                            static_cast<float>(a.blueF() * (1 - share) + b.blueF() * share));
}

void colour_axis(QAbstractAxis* axis, const QPalette& palette) {
    const QColor text = palette.color(QPalette::Active, QPalette::Text);
    axis->setLabelsBrush(text);
    axis->setTitleBrush(text);
    axis->setLinePen(QPen(blend(palette.color(QPalette::Active, QPalette::Base), text, 0.6), 1));
    axis->setGridLinePen(
        QPen(blend(palette.color(QPalette::Active, QPalette::Base), text, 0.15), 1));
}

// Ticks at 1, 2 or 5 times a power of ten, about five of them, covering the
// values and 0; whole numbers for counts.
std::vector<double> value_ticks(const ChartData& data) {
    double low = 0, high = 0;
    for (const auto& s : data.series)
        for (double v : s.values)
            if (std::isfinite(v)) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
    if (high <= low) high = low + 1;
    const double raw = (high - low) / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power * 10;
    for (double m : {1.0, 2.0, 5.0})
        if (power * m >= raw) {
            step = power * m;
            break;
        }
    if (data.kind == ReportKind::Network) step = std::max(step, 1.0);
    std::vector<double> ticks;
    const auto first = static_cast<long long>(std::floor(low / step));
    const auto last = static_cast<long long>(std::ceil(high / step));
    for (long long k = first; k <= last; ++k) ticks.push_back(static_cast<double>(k) * step);
    return ticks;
}

QCategoryAxis* value_axis(const ChartData& data, const Regional& regional) {
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const auto ticks = value_ticks(data);
    axis->setRange(ticks.front(), ticks.back());
    axis->setStartValue(ticks.front() - 1);
    for (double t : ticks) axis->append(fromAnsi(format_double(t, regional)), t);
    axis->setTitleText(fromAnsi(data.valueAxis));
    return axis;
}

// Every `every`-th label: months keep to whole quarters and years.
int label_step(const ChartData& data, double plotWidth, int labelWidth) {
    const auto n = static_cast<double>(data.categories.size());
    if (n == 0 || plotWidth <= 0) return 1;
    const int needed = static_cast<int>(std::ceil(n * (labelWidth + kLabelGap) / plotWidth));
    if (needed <= 1) return 1;
    if (data.kind != ReportKind::ApPerformance) return needed;
    for (int months : {2, 3, 6, 12})
        if (months >= needed) return months;
    return (needed + 11) / 12 * 12;
}

QCategoryAxis* base_axis(QChart& chart) {
    const auto axes = chart.axes(Qt::Horizontal);
    return axes.isEmpty() ? nullptr : qobject_cast<QCategoryAxis*>(axes.first());
}

}  // namespace

QChart* make_chart(const ChartData& data, ChartStyle style, const QPalette& palette,
                   const Regional& regional) {
    auto* chart = new QChart;
    chart->setTitle(fromAnsi(data.title));
    chart->setBackgroundBrush(palette.color(QPalette::Active, QPalette::Base));
    chart->setBackgroundPen(Qt::NoPen);
    chart->setBackgroundRoundness(0);
    chart->setTitleBrush(palette.color(QPalette::Active, QPalette::Text));
    chart->legend()->setLabelColor(palette.color(QPalette::Active, QPalette::Text));
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setAnimationOptions(QChart::NoAnimation);

    auto* base = new QCategoryAxis;
    base->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    base->setRange(-0.5, std::max<double>(static_cast<double>(data.categories.size()), 1) - 0.5);
    base->setStartValue(-1);
    base->setGridLineVisible(false);
    base->setTitleText(fromAnsi(data.categoryAxis));
    QCategoryAxis* values = value_axis(data, regional);
    chart->addAxis(base, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);
    colour_axis(base, palette);
    colour_axis(values, palette);

    const size_t count = data.series.size();
    if (style == ChartStyle::Columns) {
        auto* bars = new QBarSeries;
        for (size_t s = 0; s < count; ++s) {
            auto* set = new QBarSet(fromAnsi(data.series[s].name));
            for (double v : data.series[s].values) *set << v;
            set->setColor(series_colour(palette, s, count));
            set->setBorderColor(series_colour(palette, s, count));
            bars->append(set);
        }
        bars->setBarWidth(0.8);
        chart->addSeries(bars);
        bars->attachAxis(base);
        bars->attachAxis(values);
    } else {
        for (size_t s = 0; s < count; ++s) {
            auto* line = new QLineSeries;
            line->setName(fromAnsi(data.series[s].name));
            const auto& v = data.series[s].values;
            for (size_t i = 0; i < v.size(); ++i) line->append(static_cast<double>(i), v[i]);
            line->setPen(QPen(series_colour(palette, s, count), 2));
            // A single point shows as a dot.
            line->setPointsVisible(v.size() < 40);
            chart->addSeries(line);
            line->attachAxis(base);
            line->attachAxis(values);
        }
    }
    fit_category_labels(*chart, data);
    return chart;
}

void fit_category_labels(QChart& chart, const ChartData& data, double plotWidth) {
    QCategoryAxis* axis = base_axis(chart);
    if (!axis) return;
    QFontMetrics metrics(axis->labelsFont());
    int widest = 0;
    for (const std::string& c : data.categories)
        widest = std::max(widest, metrics.horizontalAdvance(fromAnsi(c)));
    if (plotWidth <= 0) plotWidth = chart.plotArea().width();
    if (plotWidth <= 0) plotWidth = chart.size().width() * 0.85;
    const int every = label_step(data, plotWidth, widest);
    QStringList wanted;
    for (size_t i = 0; i < data.categories.size(); i += static_cast<size_t>(every))
        wanted << fromAnsi(data.categories[i]);
    if (axis->categoriesLabels() == wanted) return;
    for (const QString& label : axis->categoriesLabels()) axis->remove(label);
    // Each label has the room from the one before it; the first as much.
    axis->setStartValue(-every);
    for (size_t i = 0; i < data.categories.size(); i += static_cast<size_t>(every))
        axis->append(fromAnsi(data.categories[i]), static_cast<double>(i));
}

std::optional<ChartFormat> chart_format(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".png") return ChartFormat::Png;
    if (ext == ".svg") return ChartFormat::Svg;
    return std::nullopt;
}

QByteArray render_chart(const ChartData& data, ChartStyle style, const QPalette& palette,
                        const Regional& regional, ChartFormat format, QSize size) {
    QGraphicsScene scene;
    QChart* chart = make_chart(data, style, palette, regional);
    scene.addItem(chart);  // the scene owns it
    const QRectF area(QPointF(0, 0), QSizeF(size));
    chart->setGeometry(area);
    scene.setSceneRect(area);
    // The chart lays itself out on the event loop: once to learn its plot
    // width, once more after the labels are thinned for it.
    QCoreApplication::processEvents();
    fit_category_labels(*chart, data);
    QCoreApplication::processEvents();

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == ChartFormat::Svg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(area);
        svg.setTitle(fromAnsi(data.title));
        QPainter painter(&svg);
        painter.setRenderHint(QPainter::Antialiasing);
        scene.render(&painter, area, area);
    } else {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(palette.color(QPalette::Active, QPalette::Base));
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            scene.render(&painter, area, area);
        }
        image.save(&buffer, "PNG");
    }
    return bytes;
}

void save_chart(const ChartData& data, ChartStyle style, const QPalette& palette,
                const Regional& regional, const std::filesystem::path& file, QSize size) {
    const auto format = chart_format(file);
    if (!format) throw std::runtime_error(kChartExtensions);
    const QByteArray bytes = render_chart(data, style, palette, regional, *format, size);
    AtomicFile out(file);
    out.write(bytes.constData(), static_cast<size_t>(bytes.size()));
    out.commit();
}

}  // namespace qdx::chart
