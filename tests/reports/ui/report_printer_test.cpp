// The short printout, read back from the PDF it makes where no printer is
// installed: which columns, where, in which size, on how many pages.
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cmath>
#include <filesystem>
#include <iterator>

#include "report_ui_fixture.h"
#include "reports/print/report_printout.h"
#include "reports/ui/report_window.h"

namespace qdx::test {
namespace {

namespace fs = std::filesystem;

constexpr double kPointsPerTwip = 1.0 / 20.0;

struct Word {
    QString text;
    double x = 0, y = 0, height = 0;  // points from the page's top left
    int page = 0;
};

// Runs a poppler tool; an empty answer when it is not installed.
QString run_tool(const QString& tool, const QStringList& arguments) {
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(20000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

std::vector<Word> words_of(const fs::path& pdf) {
    QString xml = run_tool("pdftotext", {"-bbox", QString::fromStdString(pdf.string()), "-"});
    std::vector<Word> words;
    int page = 0;
    QRegularExpression item(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)</word>)re");
    for (auto it = item.globalMatch(xml); it.hasNext();) {
        auto m = it.next();
        if (m.captured(0) == "<page ") {
            ++page;
            continue;
        }
        words.push_back({m.captured(4), m.captured(1).toDouble(), m.captured(2).toDouble(),
                         m.captured(3).toDouble() - m.captured(2).toDouble(), page});
    }
    return words;
}

const Word* find_word(const std::vector<Word>& words, const QString& text, int nth = 0) {
    for (const Word& w : words)
        if (w.text == text && nth-- == 0) return &w;
    return nullptr;
}

class ReportPrinterTest : public ReportUiTest {
  protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty()) {
            GTEST_SKIP() << "pdftotext is not installed";
        }
    }
    fs::path pdf() const { return folder.path() / "out.pdf"; }
};

// The short table with a fifth column that the printout leaves out.
ReportTable full_accounts() {
    ReportTable t = accounts_table();
    t.setColumnCount(5);
    t.cells[0][4] = "Name";
    t.cells[1][4] = "Zebedee";
    t.cells[2][4] = "Quentin";
    return t;
}

TEST_F(ReportPrinterTest, PrintsOnlyThePrintColumnsAtTheirPositionsSizesAndRowsApart) {
    print_report_to_pdf(full_accounts(), state, pdf());
    auto words = words_of(pdf());
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(find_word(words, "Zebedee"), nullptr);
    EXPECT_EQ(find_word(words, "Name"), nullptr);
    ASSERT_NE(find_word(words, "Accounts_Report"), nullptr);
    EXPECT_NE(find_word(words, "01/03/2003"), nullptr);

    // Row 2: "2", "5.25", "1", "4.25" at 0, 15, 30 and 50 units of 120 twips.
    const Word* id = find_word(words, "2");
    ASSERT_NE(id, nullptr);
    const double unit = 120 * kPointsPerTwip;
    EXPECT_NEAR(find_word(words, "5.25")->x - id->x, 15 * unit, 0.5);
    EXPECT_NEAR(find_word(words, "4.25")->x - id->x, 50 * unit, 0.5);
    EXPECT_NEAR(find_word(words, "5.25")->y, id->y, 0.5);
    // Rows lie 276 twips apart whatever their font.
    const Word* one = find_word(words, "1");
    ASSERT_NE(one, nullptr);
    EXPECT_NEAR(id->y + id->height - (one->y + one->height), 276 * kPointsPerTwip, 0.5);

    // Title 16 pt, header and Total 12 pt, data rows 9 pt.
    const Word* title = find_word(words, "Accounts_Report");
    const Word* header = find_word(words, "Income");
    const Word* total = find_word(words, "Total");
    ASSERT_TRUE(header && total);
    EXPECT_NEAR(title->height / id->height, 16.0 / 9.0, 0.1);
    EXPECT_NEAR(header->height / id->height, 12.0 / 9.0, 0.1);
    EXPECT_NEAR(total->height, header->height, 0.2);
    EXPECT_LT(title->y, header->y);
}

TEST_F(ReportPrinterTest, DownlineTitleEndsWithTodayAndItsLastRowIsPrintedLikeTheOthers) {
    ReportTable t;
    t.caption = "Downline of the Affiliate with ID= 5  Report";
    t.setHeader(" Sub-level  |  ID |Name     |Surname  | E-mail    |Phone  ");
    t.appendRow() = {"1", "6", "Ann", "Ames", "a@x", "1"};
    t.appendRow() = {"2", "9", "Bob", "Brown", "b@x", "2"};
    t.setPrintLayout({0, 7, 14, 25, 50, 65, 80}, 6);
    EXPECT_EQ(print_title(t, state), "Downline of the Affiliate with ID= 5  Report on 31/03/2003");
    print_report_to_pdf(t, state, pdf());
    auto words = words_of(pdf());
    EXPECT_NE(find_word(words, "on"), nullptr);
    EXPECT_EQ(find_word(words, "from"), nullptr);
    ASSERT_TRUE(find_word(words, "Ann") && find_word(words, "Bob"));
    EXPECT_NEAR(find_word(words, "Bob")->height, find_word(words, "Ann")->height, 0.1);
}

TEST_F(ReportPrinterTest, RowsPastThePageBottomContinueOnANewPage) {
    ReportTable t;
    t.caption = "Activity_Report";
    t.setHeader(" ID | Level ");
    for (int k = 1; k <= 150; ++k) t.appendRow() = {"row" + std::to_string(k), "1"};
    t.appendRow() = {" Total", "150"};
    t.hasTotalRow = true;
    t.setPrintLayout({0, 10}, 2);
    print_report_to_pdf(t, state, pdf());
    auto words = words_of(pdf());
    const Word* first = find_word(words, "row1");
    const Word* last = find_word(words, "row150");
    ASSERT_TRUE(first && last && find_word(words, "Total"));
    EXPECT_EQ(first->page, 1);
    EXPECT_GE(last->page, 2);
    for (int k = 1; k <= 150; ++k)
        ASSERT_NE(find_word(words, QString("row%1").arg(k)), nullptr) << k;
}

TEST_F(ReportPrinterTest, PrintButtonWritesAPdfIntoOutputWithoutAMessageBox) {
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed";
    ui::ReportWindow* w = ui::show_report_window(context);
    w->showTable(full_accounts());
    w->findChild<QPushButton*>("cmdPrint")->click();
    fs::path file = folder.path() / "output" / "Accounts_Report.pdf";
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1);  // no temporary
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(w->statusText().contains("Accounts_Report.pdf"));
    EXPECT_NE(find_word(words_of(file), "16.596"), nullptr);
}

}  // namespace
}  // namespace qdx::test
