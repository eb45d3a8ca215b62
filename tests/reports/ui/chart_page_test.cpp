// The report window's chart: offered for AP Performance, Network Structure
// and Income Structure only, drawn as columns or lines, saved as PNG or SVG.
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>

#include "core/demo_program.h"
#include "core/settings.h"
#include "report_ui_fixture.h"
#include "reports/report_asking.h"
#include "reports/ui/chart_view.h"
#include "reports/ui/report_window.h"

namespace qdx::test {
namespace {

namespace fs = std::filesystem;

class ChartPageTest : public ReportUiTest {
  protected:
    ChartPageTest() {
        const DemoOptions demo;
        write_demo_program(folder.path(), demo);
        load_settings(state);
        range = {demo.lastDay - 365, demo.lastDay};
        window = ui::show_report_window(context, range);
        tabs = window->findChild<QTabWidget*>("tabReportView");
    }
    void show(ReportKind kind, int32_t id = 0) { window->showTable(ask(state, range, kind, id)); }
    QString saveAs(const fs::path& file) {
        context.fileSink = [file](const ui::FileRequest&) {
            return QString::fromStdString(file.string());
        };
        window->findChild<QPushButton*>("cmdSaveChart")->click();
        return window->statusText();
    }

    ui::ReportWindow* window = nullptr;
    QTabWidget* tabs = nullptr;
};

TEST_F(ChartPageTest, OfferedForThreeReportsAndWithdrawnForTheOthers) {
    ASSERT_NE(tabs, nullptr);
    EXPECT_FALSE(tabs->isTabEnabled(1)) << "nothing to chart before a report";
    const std::pair<ReportKind, bool> kinds[] = {
        {ReportKind::ApPerformance, true},   {ReportKind::Accounts, false},
        {ReportKind::Network, true},         {ReportKind::PaymentsDue, false},
        {ReportKind::IncomeStructure, true}, {ReportKind::Activities, false},
        {ReportKind::Downline, false}};
    for (auto [kind, charted] : kinds) {
        tabs->setCurrentIndex(1);
        show(kind, 2);
        EXPECT_EQ(tabs->isTabEnabled(1), charted) << static_cast<int>(kind);
        // A report without a chart shows its grid.
        EXPECT_EQ(tabs->currentIndex(), charted ? 1 : 0) << static_cast<int>(kind);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(ChartPageTest, DrawsColumnsOrLinesAndSavesPngAndSvgBesideTheReports) {
    show(ReportKind::ApPerformance);
    auto* view = window->findChild<ui::ChartCanvas*>("chartReport");
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(view->chartLayout().bars.empty());
    EXPECT_TRUE(view->chartLayout().lines.empty());
    window->findChild<QComboBox*>("cmbChartStyle")->setCurrentIndex(1);
    EXPECT_TRUE(view->chartLayout().bars.empty());
    EXPECT_EQ(view->chartLayout().lines.size(), 3u);  // a line per series
    // Laid out at the page's size: the months along the base are thinned
    // further when the window narrows.
    tabs->setCurrentIndex(1);
    window->resize(1400, 700);
    const int wide = view->chartLayout().labelStep;
    window->resize(700, 700);
    EXPECT_GT(view->chartLayout().labelStep, wide) << view->width();

    const fs::path png = folder.path() / "output" / "AP_Performance_Report.png";
    EXPECT_EQ(saveAs(png), "Saved as " + QString::fromStdString(png.string()));
    EXPECT_EQ(read_file(png).substr(0, 8), "\x89PNG\r\n\x1a\n");
    const fs::path svg = folder.path() / "performance.SVG";
    saveAs(svg);
    const std::string drawing = read_file(svg);
    EXPECT_NE(drawing.find("<svg"), std::string::npos);
    EXPECT_NE(drawing.find("</svg>"), std::string::npos);
    EXPECT_TRUE(messages.empty());

    saveAs(folder.path() / "chart.gif");
    ASSERT_EQ(messageTexts().size(), 1);
    EXPECT_TRUE(messageTexts()[0].startsWith("The chart could not be saved: "))
        << messageTexts()[0].toStdString();
    EXPECT_FALSE(fs::exists(folder.path() / "chart.gif"));
}

}  // namespace
}  // namespace qdx::test
