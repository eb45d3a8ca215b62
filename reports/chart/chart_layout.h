#pragma once
// Where everything of a report's chart goes, in pixels from the top left
// corner: the title, the plot with its value ticks and the labels along the
// base (thinned so that they never overlap, whether 3 levels or 501 months
// are shown), the columns or lines of each series, the axis titles and the
// legend. Plain arithmetic on the texts' widths, so that what the chart
// shows can be checked without drawing it; chart_drawing paints it.
#include <functional>
#include <string>
#include <vector>

#include "core/regional.h"
#include "reports/report_chart.h"

namespace qdx::chart {

enum class ChartStyle { Columns, Lines };

// How wide a text is (Windows-1252) in the chart's fonts, and how high a
// line of it is.
struct TextMetrics {
    std::function<double(const std::string&)> width;      // labels, title, legend
    std::function<double(const std::string&)> boldWidth;  // axis titles
    double height = 0;
};

struct Point {
    double x = 0, y = 0;
};

struct Box {
    double left = 0, top = 0, width = 0, height = 0;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
};

struct ValueTick {
    double value = 0;
    double y = 0;
    std::string label;  // as the regional settings write the number
};

struct BaseLabel {
    size_t category = 0;
    double x = 0;  // the label's centre, at its category
    std::string text;
};

struct Bar {
    size_t series = 0, category = 0;
    Box box;  // from the value 0 to the category's value; none for a 0
};

// A series drawn as a line: pieces, broken where a value is not a number;
// dots at the points when there are few of them (one point is a dot only).
struct Line {
    size_t series = 0;
    std::vector<std::vector<Point>> pieces;
    bool dots = false;
};

struct LegendEntry {
    size_t series = 0;
    Box swatch;
    Box text;
};

struct ChartLayout {
    Box title;
    Box plot;
    std::vector<ValueTick>
        ticks;          // lowest first; the first at the plot's bottom, the last at its top
    int labelStep = 1;  // every labelStep-th category is labelled
    std::vector<BaseLabel> labels;
    double labelsTop = 0;  // of the base labels' line
    Box valueTitle;        // turned a quarter to the left, centred in this box
    Box baseTitle;
    std::vector<Bar> bars;    // columns
    std::vector<Line> lines;  // lines
    std::vector<LegendEntry> legend;
};

// Pixels between two labels along the base, and the length of a tick.
inline constexpr double kLabelGap = 12;
inline constexpr double kTickLength = 5;

// Ticks at 1, 2 or 5 times a power of ten, about five of them, covering the
// values and 0; whole numbers for counts of affiliates.
std::vector<double> value_ticks(const ChartData& data);

// Every how many categories a label can stand, `labelWidth` wide, along a
// base `plotWidth` long; months keep to whole quarters and years.
int label_step(const ChartData& data, double plotWidth, double labelWidth);

// The chart of `data` laid out in a `width` by `height` picture.
ChartLayout lay_out_chart(const ChartData& data, ChartStyle style, double width, double height,
                          const TextMetrics& metrics, const Regional& regional);

}  // namespace qdx::chart
