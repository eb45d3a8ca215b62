#pragma once
// The report window's chart page: the chart of the shown report (AP
// Performance, Network Structure or Income Structure), drawn as columns or
// lines, and "Save chart..." to write it as a PNG picture or an SVG drawing.
#include <QWidget>
#include <optional>

#include "reports/print/print_preview.h"
#include "reports/report_chart.h"

class QChartView;
class QComboBox;
class QPushButton;
namespace qdx::chart {
enum class ChartStyle;
}

namespace qdx::ui {

class UiContext;

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

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void redraw();
    chart::ChartStyle style() const;

    UiContext& context_;
    std::optional<ChartData> data_;
    QString suggestedName_;
    QComboBox* style_;
    QPushButton* save_;
    QChartView* view_;
};

}  // namespace qdx::ui
