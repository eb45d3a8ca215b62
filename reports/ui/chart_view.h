#pragma once
// The report window's chart page: the chart of the shown report (AP
// Performance, Network Structure or Income Structure), drawn as columns or
// lines, and "Save chart..." to write it as a PNG picture or an SVG drawing.
#include <QWidget>
#include <optional>

#include "core/regional.h"
#include "reports/chart/chart_layout.h"
#include "reports/print/print_preview.h"
#include "reports/report_chart.h"

class QComboBox;
class QPushButton;

namespace qdx::ui {

class UiContext;

// The chart itself, painted at the widget's size on its palette: laid out
// again at every paint, so the labels along the base are thinned afresh
// whenever the window narrows or widens.
class ChartCanvas : public QWidget {
  public:
    explicit ChartCanvas(const Regional& regional, QWidget* parent = nullptr);
    // Shows the chart of `data`; an empty page when there is none.
    void showChart(std::optional<ChartData> data, chart::ChartStyle style);
    const std::optional<ChartData>& data() const { return data_; }
    chart::ChartStyle style() const { return style_; }
    // Where the chart shown goes at the present size.
    chart::ChartLayout chartLayout() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const Regional& regional_;
    std::optional<ChartData> data_;
    chart::ChartStyle style_ = chart::ChartStyle::Columns;
};

class ChartPage : public QWidget {
    Q_OBJECT
  public:
    explicit ChartPage(UiContext& context, QWidget* parent = nullptr);

    // Draws the chart of `table`; false (and an empty page) when its report
    // has no chart.
    bool showTable(const ReportTable& table);
    // Asks for a .png or .svg file and writes the chart shown into it.
    void saveChart();

    // The chart shown, drawn on paper colours for the print preview's last
    // page; nothing when the report has none.
    std::optional<PreviewChart> previewChart() const;

    // Its controls, for the window's tab order.
    QWidget* styleBox() const;
    QWidget* saveButton() const;

  signals:
    // Where the chart was saved, for the window's status line.
    void saved(const QString& status);

  private:
    chart::ChartStyle chosenStyle() const;

    UiContext& context_;
    QString suggestedName_;
    QComboBox* style_;
    QPushButton* save_;
    ChartCanvas* view_;
};

}  // namespace qdx::ui
