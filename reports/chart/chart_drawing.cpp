#include "reports/chart/chart_drawing.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
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

// The application's font sized in pixels, so that the chart looks the same
// on the screen, in a picture, in an SVG drawing (72 dots to the inch) and
// on paper (the painter's scale alone sizes it).
struct ChartFonts {
    QFont normal, bold;
    ChartFonts() : normal(QGuiApplication::font()) {
        if (normal.pixelSize() <= 0)
            normal.setPixelSize(
                std::max(1, static_cast<int>(std::lround(normal.pointSizeF() * 96 / 72))));
        bold = normal;
        bold.setBold(true);
    }
};

TextMetrics text_metrics(const ChartFonts& fonts) {
    const QFontMetricsF normal(fonts.normal), bold(fonts.bold);
    return {[normal](const std::string& text) { return normal.horizontalAdvance(fromAnsi(text)); },
            [bold](const std::string& text) { return bold.horizontalAdvance(fromAnsi(text)); },
            normal.height()};
}

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

QRectF rect(const Box& b) { return {b.left, b.top, b.width, b.height}; }

// A hairline on a pixel's middle, so that antialiasing keeps it sharp.
double crisp(double v) { return std::floor(v) + 0.5; }

void paint_layout(QPainter& painter, const ChartLayout& layout, const ChartData& data,
                  const ChartFonts& fonts, const QPalette& palette) {
    const QColor background = palette.color(QPalette::Active, QPalette::Base);
    const QColor text = palette.color(QPalette::Active, QPalette::Text);
    const QPen axisPen(blend(background, text, 0.6), 1);
    const QPen gridPen(blend(background, text, 0.15), 1);
    const Box& plot = layout.plot;
    const double height = QFontMetricsF(fonts.normal).height();

    painter.setPen(gridPen);
    for (const ValueTick& t : layout.ticks)
        painter.drawLine(QPointF(plot.left, crisp(t.y)), QPointF(plot.right(), crisp(t.y)));

    const size_t count = data.series.size();
    // Columns outlined in their colour, unsmoothed, so that a narrow one (of
    // 500 months) still shows a full pixel wide.
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const Bar& bar : layout.bars) {
        const QColor colour = series_colour(palette, bar.series, count);
        painter.setPen(QPen(colour, 0));
        painter.setBrush(colour);
        painter.drawRect(rect(bar.box));
    }
    painter.setRenderHint(QPainter::Antialiasing);
    for (const Line& line : layout.lines) {
        const QColor colour = series_colour(palette, line.series, count);
        for (const auto& piece : line.pieces) {
            QPolygonF points;
            for (const Point& p : piece) points << QPointF(p.x, p.y);
            if (points.size() > 1) {
                painter.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                painter.setBrush(Qt::NoBrush);
                painter.drawPolyline(points);
            }
            if (line.dots || points.size() == 1) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(colour);
                for (const QPointF& p : points) painter.drawEllipse(p, 3, 3);
            }
        }
    }

    // The axes, their ticks and labels.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(axisPen);
    const double left = crisp(plot.left), bottom = crisp(plot.bottom());
    painter.drawLine(QPointF(left, plot.top), QPointF(left, bottom));
    painter.drawLine(QPointF(left, bottom), QPointF(plot.right(), bottom));
    for (const ValueTick& t : layout.ticks)
        painter.drawLine(QPointF(left - kTickLength, crisp(t.y)), QPointF(left, crisp(t.y)));
    for (const BaseLabel& label : layout.labels)
        painter.drawLine(QPointF(crisp(label.x), bottom),
                         QPointF(crisp(label.x), bottom + kTickLength));

    painter.setPen(text);
    painter.setFont(fonts.normal);
    const double labelsRight = plot.left - kTickLength - 4;
    for (const ValueTick& t : layout.ticks)
        painter.drawText(QRectF(0, t.y - height / 2, labelsRight, height),
                         Qt::AlignRight | Qt::AlignVCenter, fromAnsi(t.label));
    for (const BaseLabel& label : layout.labels)
        painter.drawText(QRectF(label.x - plot.width, layout.labelsTop, 2 * plot.width, height),
                         Qt::AlignHCenter | Qt::AlignTop, fromAnsi(label.text));
    const QString title = QFontMetricsF(fonts.normal)
                              .elidedText(fromAnsi(data.title), Qt::ElideRight, layout.title.width);
    painter.drawText(rect(layout.title), Qt::AlignCenter, title);
    for (const LegendEntry& e : layout.legend)
        painter.drawText(rect(e.text), Qt::AlignLeft | Qt::AlignVCenter,
                         fromAnsi(data.series[e.series].name));

    painter.setFont(fonts.bold);
    painter.drawText(rect(layout.baseTitle), Qt::AlignCenter, fromAnsi(data.categoryAxis));
    painter.save();
    const Box& v = layout.valueTitle;
    painter.translate(v.left + v.width / 2, v.top + v.height / 2);
    painter.rotate(-90);
    painter.drawText(QRectF(-v.height / 2, -v.width / 2, v.height, v.width), Qt::AlignCenter,
                     fromAnsi(data.valueAxis));
    painter.restore();

    painter.setPen(Qt::NoPen);
    for (const LegendEntry& e : layout.legend) {
        painter.setBrush(series_colour(palette, e.series, count));
        painter.drawRect(rect(e.swatch));
    }
}

}  // namespace

ChartLayout chart_layout(const ChartData& data, ChartStyle style, QSizeF size,
                         const Regional& regional) {
    return lay_out_chart(data, style, size.width(), size.height(), text_metrics(ChartFonts()),
                         regional);
}

void paint_chart(QPainter& painter, const QRectF& area, const ChartData& data, ChartStyle style,
                 const QPalette& palette, const Regional& regional) {
    const ChartFonts fonts;
    const ChartLayout layout =
        lay_out_chart(data, style, area.width(), area.height(), text_metrics(fonts), regional);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, palette.color(QPalette::Active, QPalette::Base));
    painter.translate(area.topLeft());
    painter.setClipRect(QRectF(QPointF(0, 0), area.size()), Qt::IntersectClip);
    paint_layout(painter, layout, data, fonts, palette);
    painter.restore();
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
    const QRectF area(QPointF(0, 0), QSizeF(size));
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
        paint_chart(painter, area, data, style, palette, regional);
    } else {
        QImage image(size, QImage::Format_ARGB32);
        {
            QPainter painter(&image);
            paint_chart(painter, area, data, style, palette, regional);
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
