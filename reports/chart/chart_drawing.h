#pragma once
// The chart of a report painted with QPainter: the same chart in the report
// window, in its print preview and in qdx-report's --chart file. Colours
// come from a palette (the window's, dark themes too), numbers and dates are
// written as the regional settings write them; where everything goes is
// chart_layout's. Needs a QGuiApplication (for the fonts), not a window.
#include <QByteArray>
#include <QPalette>
#include <QRectF>
#include <QSize>
#include <filesystem>
#include <optional>

#include "core/regional.h"
#include "reports/chart/chart_layout.h"
#include "reports/report_chart.h"

class QPainter;

namespace qdx::chart {

enum class ChartFormat { Png, Svg };

// The size of a chart written to a file, in pixels.
inline constexpr QSize kFileSize{1000, 600};

// The chart laid out at `size` in the fonts it is painted with.
ChartLayout chart_layout(const ChartData& data, ChartStyle style, QSizeF size,
                         const Regional& regional);
// Paints the chart into `area`, its background included.
void paint_chart(QPainter& painter, const QRectF& area, const ChartData& data, ChartStyle style,
                 const QPalette& palette, const Regional& regional);

// PNG or SVG by the file's extension (either case); nothing for another one.
std::optional<ChartFormat> chart_format(const std::filesystem::path& file);
// The chart drawn at `size` as the bytes of a PNG picture or an SVG drawing.
QByteArray render_chart(const ChartData& data, ChartStyle style, const QPalette& palette,
                        const Regional& regional, ChartFormat format, QSize size = kFileSize);
// Writes the chart to `file` through a temporary file beside it; the format
// goes by the extension. Throws std::runtime_error for another extension and
// FileError when the file cannot be written (it is then unchanged).
void save_chart(const ChartData& data, ChartStyle style, const QPalette& palette,
                const Regional& regional, const std::filesystem::path& file,
                QSize size = kFileSize);

// What a chart file must be named.
extern const char* const kChartExtensions;
// The start of the message when a chart cannot be saved.
extern const char* const kSaveChartFailed;

}  // namespace qdx::chart
