#pragma once
// The chart of a report, drawn with Qt Charts: the same chart in the report
// window and in qdx-report's --chart file. Colours come from a palette (the
// window's, dark themes too), numbers and dates are written as the regional
// settings write them, and the labels along the base are thinned so that
// they never overlap, whether 3 levels or 501 months are shown.
#include <QByteArray>
#include <QPalette>
#include <QSize>
#include <filesystem>
#include <optional>

#include "core/regional.h"
#include "reports/report_chart.h"

class QChart;

namespace qdx::chart {

enum class ChartStyle { Columns, Lines };
enum class ChartFormat { Png, Svg };

// The size of a chart written to a file, in pixels.
inline constexpr QSize kFileSize{1000, 600};

// A new chart of `data` (the caller owns it). Needs a QApplication.
QChart* make_chart(const ChartData& data, ChartStyle style, const QPalette& palette,
                   const Regional& regional);
// Shows every n-th category label, n as small as lets them stand apart at the
// plot width given (the chart's present one when 0).
void fit_category_labels(QChart& chart, const ChartData& data, double plotWidth = 0);

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
