// The short printout, read back from the PDF it makes where no printer is
// installed: which columns, where, in which size, on how many pages.
#include "reports/print/report_printout.h"

#include <gtest/gtest.h>

#include <QStandardPaths>
#include <filesystem>

#include "core/ole_date.h"
#include "reports/accounts_table.h"
#include "reports/print/pdf_words.h"
#include "support/test_support.h"

namespace qdx::test {
namespace {

namespace fs = std::filesystem;

class ReportPrintoutTest : public ::testing::Test {
  protected:
    ReportPrintoutTest() : state(folder.path()) {
        state.messages.setStartupWording();
        state.today = [] { return ole_from_ymd(2003, 3, 31); };
        range = {ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
    }
    void SetUp() override {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty()) {
            GTEST_SKIP() << "pdftotext is not installed";
        }
    }
    fs::path pdf() const { return folder.path() / "out.pdf"; }

    TempFolder folder;
    AppState state;
    DateRange range;
};

TEST_F(ReportPrintoutTest, PrintsOnlyThePrintColumnsWithTheTitleAboveInALargerFont) {
    print_report_to_pdf(full_accounts(), state, pdf());
    auto words = words_of(pdf());
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(find_word(words, "Zebedee"), nullptr);
    EXPECT_EQ(find_word(words, "Name"), nullptr);
    EXPECT_NE(find_word(words, "01/03/2003"), nullptr);
    const Word* title = find_word(words, "Accounts_Report");
    const Word* id = find_word(words, "2");
    const Word* balance = find_word(words, "4.25");
    const Word* total = find_word(words, "Total");
    ASSERT_TRUE(title && id && balance && total);
    EXPECT_NEAR(balance->y, id->y, 0.5);  // one row, left to right
    EXPECT_GT(balance->x, id->x);
    EXPECT_LT(title->y, id->y);
    EXPECT_GT(title->height, total->height);
    EXPECT_GT(total->height, id->height);  // the Total row is printed like the header
}

TEST_F(ReportPrintoutTest, DownlineTitleEndsWithTodayAndItsLastRowIsPrintedLikeTheOthers) {
    ReportTable t;
    t.caption = "Downline of the Affiliate with ID= 5  Report";
    t.setHeader(" Sub-level  |  ID |Name     |Surname  | E-mail    |Phone  ");
    t.appendTextRow({"1", "6", "Ann", "Ames", "a@x", "1"});
    t.appendTextRow({"2", "9", "Bob", "Brown", "b@x", "2"});
    t.setPrintLayout({0, 7, 14, 25, 50, 65, 80}, 6);
    EXPECT_EQ(print_title(t, state), "Downline of the Affiliate with ID= 5  Report on 31/03/2003");
    print_report_to_pdf(t, state, pdf());
    auto words = words_of(pdf());
    ASSERT_TRUE(find_word(words, "Ann") && find_word(words, "Bob"));
    EXPECT_NEAR(find_word(words, "Bob")->height, find_word(words, "Ann")->height, 0.1);
}

TEST_F(ReportPrintoutTest, RowsPastThePageBottomContinueOnANewPage) {
    ReportTable t;
    t.caption = "Activity_Report";
    t.setHeader(" ID | Level ");
    for (int k = 1; k <= 150; ++k) t.appendTextRow({"row" + std::to_string(k), "1"});
    t.appendTextRow({" Total", "150"});
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

}  // namespace
}  // namespace qdx::test
