// The main window's report buttons: the order of the checks, the one report
// window, the hourglass, and what each failure shows.
#include <QApplication>
#include <QFont>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <filesystem>
#include <fstream>

#include "app/main_window_fixture.h"
#include "core/files.h"
#include "core/record_file.h"

namespace qdx::test {
namespace {

namespace fs = std::filesystem;

class ReportButtonsTest : public MainWindowTest {
  protected:
    void SetUp() override {
        // Two affiliates; affiliate 1 sells 200 in March at 10 %.
        write_settings(state, settings("Percents", {10}, 5));
        write_affiliates(state, {affiliate(1, 0, 1, ole_from_ymd(2003, 1, 5), "Ann"),
                                 affiliate(2, 1, 2, ole_from_ymd(2003, 2, 5), "Bob")});
        write_money(state, file::kSales, {{1, 200, ole_from_ymd(2003, 3, 15)}});
        write_money(state, file::kPayments, {{2, 1, ole_from_ymd(2002, 1, 1)}});
        openMainWindow();
    }
    QString cell(int row, int column) const {
        auto* grid = reportWindow()->findChild<QTableView*>("MsfReport");
        return grid->model()->index(row, column).data().toString();
    }
};

// The ID boxes are checked before the dates; the first bad box is named and
// focused, and no report window opens.
TEST_F(ReportButtonsTest, TheFirstBadBoxStopsTheReportWithItsMessageAndFocus) {
    main->lineEdit("txtDateTo")->clear();
    const QString incorrect = "Sorry, you entered an incorrect value";
    const QString noAffiliate = "Sorry, there is no Affiliate with that ID";
    const std::tuple<const char*, const char*, QString, QString> cases[] = {
        {"cmdAccountsR", "txtDateTo", "", incorrect},
        {"cmdPaymentsR", "txtDateTo", "", incorrect},
        {"cmdAPperformanceR", "txtDateTo", "", incorrect},
        {"cmdActivitiesR", "txtAIDa", "", "Please enter data into the field"},
        {"cmdNetStructureR", "txtAIDn", "3", noAffiliate},
        {"cmdIncomeStructureR", "txtAID", "-1", noAffiliate},
        {"cmdDownline", "txtAIDd", "abc", incorrect}};
    for (const auto& [button, box, text, message] : cases) {
        messages.clear();
        main->lineEdit(box)->setText(text);
        click(button);
        EXPECT_EQ(messageTexts(), QStringList{message}) << button;
        EXPECT_EQ(main->focusWidget(), main->lineEdit(box)) << button;
    }
    EXPECT_EQ(reportWindow(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// One report window: a later report reuses it, in its own wording, and the
// range boxes keep the range of the report first shown.
TEST_F(ReportButtonsTest, ReportsShareOneWindowAndTheWorkingFileGoes) {
    click("cmdAccountsR");
    ui::ReportWindow* w = reportWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(messages.empty()) << messageTexts().join("|").toStdString();
    EXPECT_EQ(w->windowTitle(), "Accounts_Report");
    EXPECT_TRUE(w->findChild<QPushButton*>("cmdRegistrePayments")->isHidden());
    EXPECT_EQ(cell(0, 1), "20");  // affiliate 1's income
    EXPECT_FALSE(fs::exists(state.workFile(file::kAccounts)));

    main->lineEdit("txtDateFrom")->setText("15/03/2003");
    click("cmdPaymentsR");
    EXPECT_EQ(reportWindow(), w);
    EXPECT_EQ(w->windowTitle(), "Payments_Report");
    EXPECT_FALSE(w->findChild<QPushButton*>("cmdRegistrePayments")->isHidden());
    EXPECT_EQ(w->findChild<QLineEdit*>("txtFrom")->text(), "01/03/2003");
    EXPECT_EQ(w->table().request.range.from, ole_from_ymd(2003, 3, 15));
    EXPECT_EQ(w->table().rowCount(), 3u);  // only affiliate 1 reaches the minimal payment
    EXPECT_EQ(cell(0, 0), "1");
}

TEST_F(ReportButtonsTest, AFailureKeepsTheShownReportAndRestoresThePointerBeforeSayingSo) {
    std::vector<bool> hourglassUnderMessage;
    context.messageSink = [this, &hourglassUnderMessage](const ui::MessageRequest& request) {
        messages.push_back(request);
        hourglassUnderMessage.push_back(QApplication::overrideCursor() != nullptr);
        return answer;
    };
    // A folder where a working file belongs makes the computation fail.
    auto breakWorkingFiles = [this](bool broken) {
        for (const char* name : {file::kActivity, file::kAccounts}) {
            if (broken)
                fs::create_directories(state.workFile(name));
            else
                fs::remove(state.workFile(name));
        }
    };
    breakWorkingFiles(true);
    main->lineEdit("txtAIDa")->setText("1");
    click("cmdActivitiesR");
    EXPECT_EQ(messageTexts(), QStringList{"Sorry, you entered an incorrect value"});
    ASSERT_NE(reportWindow(), nullptr);
    EXPECT_EQ(reportWindow()->windowTitle(), "Activity_Report;ID=1");  // nothing shown before

    breakWorkingFiles(false);
    click("cmdPaymentsR");
    const std::vector<std::vector<std::string>> shown = texts_of(reportWindow()->table());
    ASSERT_GE(shown.size(), 3u);
    breakWorkingFiles(true);
    messages.clear();
    click("cmdActivitiesR");
    click("cmdAccountsR");
    fs::create_directories(state.dataDir());
    std::ofstream(state.dataDir() / "dwl") << "not a folder";
    main->lineEdit("txtAIDd")->setText("1");
    click("cmdDownline");
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text, "Sorry, you entered an incorrect value");
    EXPECT_TRUE(messages[1].text.startsWith("The report could not be made"))
        << messages[1].text.toStdString();
    EXPECT_EQ(messages[2].text, "Sorry, you entered an incorrect value");
    EXPECT_EQ(hourglassUnderMessage, std::vector<bool>(4, false));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The window still shows the payments-due report, under its own name.
    EXPECT_EQ(texts_of(reportWindow()->table()), shown);
    EXPECT_EQ(cell(0, 0).toStdString(), shown[1][0]);  // the grid shows it too
    EXPECT_EQ(reportWindow()->windowTitle(), "Payments_Report");
    EXPECT_FALSE(reportWindow()->findChild<QPushButton*>("cmdRegistrePayments")->isHidden());
}

TEST_F(ReportButtonsTest, TheShownReportKeepsItsRangeWhenALaterReportFails) {
    click("cmdPaymentsR");
    // A later report reads April, then fails over its working file.
    main->lineEdit("txtDateFrom")->setText("01/04/2003");
    main->lineEdit("txtDateTo")->setText("30/04/2003");
    fs::create_directories(state.workFile(file::kAccounts));
    click("cmdPaymentsR");
    ASSERT_EQ(messages.size(), 1u);

    ui::ReportWindow* w = reportWindow();
    w->saveText();
    EXPECT_EQ(read_file(folder.path() / "output" / "Payments_Report.txt")
                  .rfind("Payments_Report from 01/03/2003 to 31/03/2003\r\n", 0),
              0u);
    w->registerPayments();
    EXPECT_EQ(messages.back().text,
              "The payments from the Report will be registered on the date  31/03/2003");
    RecordFile paid(state.dataFile(file::kPayments), MoneyRecord::kSize);
    ASSERT_EQ(paid.count(), 2);
    EXPECT_EQ(paid.read<MoneyRecord>(2).date, ole_from_ymd(2003, 3, 31));
}

}  // namespace
}  // namespace qdx::test
