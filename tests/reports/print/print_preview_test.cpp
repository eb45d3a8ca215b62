// The print preview, saved as PDF and read back word by word: every word of
// the table inside its column's box, no two columns running into each other
// on any line, every row printed, the whole title above the header, the
// header and the page number on every page.
#include "reports/print/print_preview.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QStandardPaths>
#include <filesystem>
#include <map>

#include "core/demo_program.h"
#include "core/ole_date.h"
#include "core/settings.h"
#include "core/ui/qt_text.h"
#include "reports/print/pdf_words.h"
#include "reports/print/report_printout.h"
#include "reports/report_asking.h"
#include "reports/report_export.h"
#include "support/test_support.h"

namespace qdx::test {
namespace {

namespace fs = std::filesystem;

class PrintPreviewTest : public ::testing::Test {
  protected:
    PrintPreviewTest() : state(folder.path()) {
        state.messages.setStartupWording();
        state.today = [] { return ole_from_ymd(2025, 12, 6); };
    }
    void SetUp() override {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty()) {
            GTEST_SKIP() << "pdftotext is not installed";
        }
    }
    fs::path pdf() const { return folder.path() / "preview.pdf"; }

    TempFolder folder;
    AppState state;
    DateRange range;
};

QString first_word(const std::string& cell) {
    return ui::fromAnsi(cell).split(' ', Qt::SkipEmptyParts).value(0);
}

// The column whose box the middle of the word falls in; columns.size() when
// it lies right of every one.
size_t column_of(const PreviewLayout& layout, const Word& w) {
    const double middle = (w.x + w.right) / 2;
    size_t c = 0;
    while (c < layout.columns.size() && middle > layout.columns[c].right) ++c;
    return c;
}

// Reads the preview back and checks it against the layout it was painted
// with; the words of a chart, `chart`, are not the table's. Returns the words of the table (header
// rows excluded) by page and line, for further checks.
std::map<std::pair<int, int>, std::vector<Word>> expect_laid_out(const ReportTable& table,
                                                                 const AppState& state,
                                                                 const PreviewLayout& layout,
                                                                 const fs::path& pdf,
                                                                 const QString& chart = {}) {
    const std::vector<Word> words = words_of(pdf);
    const QString header = first_word(table.text(0, 0));
    std::map<int, double> headerY, footerY;
    int pages = 0;
    for (const Word& w : words) {
        pages = std::max(pages, w.page);
        if (w.text == header && !headerY.count(w.page)) headerY[w.page] = w.y;
        if (w.text == "Page") footerY[w.page] = w.y;
    }
    EXPECT_EQ(pages, layout.pages);
    for (int page = 1; page <= pages; ++page) {
        EXPECT_TRUE(headerY.count(page)) << "no header on page " << page;
        EXPECT_TRUE(footerY.count(page)) << "no page number on page " << page;
    }
    EXPECT_NE(find_word(words, QString::number(pages)), nullptr);

    // The title: the words above the header on page 1, in reading order.
    QStringList title;
    for (const Word& w : words)
        if (w.page == 1 && w.y < headerY[1] - 1) title << w.text;
    EXPECT_EQ(title.join(' '), ui::fromAnsi(print_title(table, state)).simplified());

    // The table: each word inside one column's box; on each line the
    // columns' words apart from one another, left to right.
    std::map<std::pair<int, int>, std::vector<Word>> lines;
    for (const Word& w : words) {
        if (w.y < headerY[w.page] - 1 || w.y >= footerY[w.page] - 1 || w.text == chart) continue;
        const size_t c = column_of(layout, w);
        EXPECT_LT(c, layout.columns.size()) << w.text.toStdString() << " right of every column";
        if (c == layout.columns.size()) continue;
        EXPECT_GE(w.x, layout.columns[c].left - 0.5) << w.text.toStdString();
        EXPECT_LE(w.right, layout.columns[c].right + 0.5) << w.text.toStdString();
        if (std::abs(w.y - headerY[w.page]) > 1) {
            lines[{w.page, static_cast<int>(std::lround(w.y))}].push_back(w);
        }
    }
    for (const auto& [where, line] : lines) {
        std::map<size_t, std::pair<double, double>> extent;
        for (const Word& w : line) {
            auto [it, fresh] = extent.try_emplace(column_of(layout, w), w.x, w.right);
            it->second = {std::min(it->second.first, w.x), std::max(it->second.second, w.right)};
        }
        for (auto it = extent.begin(); std::next(it) != extent.end(); ++it) {
            EXPECT_LT(it->second.second, std::next(it)->second.first)
                << "columns " << it->first << " and " << std::next(it)->first << " meet on page "
                << where.first << " at y " << where.second;
        }
    }
    EXPECT_EQ(lines.size(), table.rowCount() - 1) << "every row on a line of its own";
    return lines;
}

struct DemoReport {
    ReportKind kind;
    int32_t id;
    const char* name;
};

void PrintTo(const DemoReport& report, std::ostream* os) { *os << report.name; }

class PreviewOfEveryReport : public PrintPreviewTest,
                             public ::testing::WithParamInterface<DemoReport> {};

TEST_P(PreviewOfEveryReport, ColumnsNeverMeetAndTheTitleIsWhole) {
    DemoOptions demo;
    write_demo_program(folder.path(), demo);
    load_settings(state);
    range = {demo.lastDay - 365, demo.lastDay};
    const ReportTable table = ask(state, range, GetParam().kind, GetParam().id);
    ASSERT_GT(table.rowCount(), 3u);
    const PreviewLayout layout = print_preview_to_pdf(table, state, pdf());
    expect_laid_out(table, state, layout, pdf());
}

INSTANTIATE_TEST_SUITE_P(
    Demo, PreviewOfEveryReport,
    ::testing::Values(DemoReport{ReportKind::Accounts, 0, "Accounts"},
                      DemoReport{ReportKind::PaymentsDue, 0, "PaymentsDue"},
                      DemoReport{ReportKind::ApPerformance, 0, "ApPerformance"},
                      DemoReport{ReportKind::Activities, 2, "Activities"},
                      DemoReport{ReportKind::IncomeStructure, 2, "IncomeStructure"},
                      DemoReport{ReportKind::Network, 2, "Network"},
                      DemoReport{ReportKind::Downline, 2, "Downline"}),
    [](const auto& info) { return std::string(info.param.name); });

// A report too wide to stand upright and too long for one page, with a
// chart after its last row.
TEST_F(PrintPreviewTest, WideLongReportGoesLandscapeOverNumberedPagesWithTheChartLast) {
    ReportTable t;
    t.caption = "Downline of the Affiliate with ID= 7  Report";
    t.setHeader(" Sub-level  |  ID |Name     |Surname  | E-mail    |Phone  |Street |City   ");
    for (int k = 1; k <= 150; ++k) {
        t.appendTextRow({std::to_string(k % 8 + 1), std::to_string(k + 7), "Maximiliane-Josephine",
                         "Oberhausen-Rheinhausen",
                         "maximiliane.josephine" + std::to_string(k) + "@example-mail.com",
                         "+49 30 5555 0931 ext. 44", "Long Street of the Old Town 123",
                         "Castrop-Rauxel"});
    }
    t.setPrintLayout({0, 7, 14, 25, 50, 65, 80, 90}, 8);
    PreviewChart chart;
    chart.height = 100;
    chart.paint = [](QPainter& painter, const QRectF& area) {
        painter.setFont(QFont("Sans Serif", 12));
        painter.drawText(area, Qt::AlignCenter, "ChartMark");
    };

    const PreviewLayout layout = print_preview_to_pdf(t, state, pdf(), &chart);
    EXPECT_EQ(layout.orientation, QPageLayout::Landscape);
    EXPECT_GE(layout.pages, 3);
    auto lines = expect_laid_out(t, state, layout, pdf(), "ChartMark");

    const auto words = words_of(pdf());
    const Word* mark = find_word(words, "ChartMark");
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->page, layout.pages);
    const Word& lastRow = lines.rbegin()->second.front();
    EXPECT_TRUE(mark->page > lastRow.page || mark->y > lastRow.y);
}

}  // namespace
}  // namespace qdx::test
