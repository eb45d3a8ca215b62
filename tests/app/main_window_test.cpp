#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/ui/ui_context.h"
#include "support/test_support.h"

namespace qdx::ui {
namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() {
        context.messageSink = [this](const MessageRequest& r) {
            messages.push_back(r.text);
            return MessageAnswer::Ok;
        };
    }
    MainWindow& open(int year, int month, int day) {
        state.today = [=] { return ole_from_ymd(year, month, day); };
        window = std::make_unique<MainWindow>(context);
        window->show();
        QApplication::setActiveWindow(window.get());
        return *window;
    }
    test::TempFolder dir;
    AppState state{dir.path()};
    UiContext context{state};
    QStringList messages;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, DateBoxesStartOneCalendarMonthApart) {
    MainWindow& w = open(2003, 3, 31);
    EXPECT_EQ(w.lineEdit("txtDateTo")->text(), "31/03/2003");
    EXPECT_EQ(w.lineEdit("txtDateFrom")->text(), "28/02/2003");
    MainWindow& january = open(2004, 1, 15);
    EXPECT_EQ(january.lineEdit("txtDateFrom")->text(), "15/12/2003");
}

TEST_F(MainWindowTest, CheckDatesStoresTheRangeOrNamesTheBadBox) {
    MainWindow& w = open(2003, 3, 31);
    w.lineEdit("txtDateFrom")->setText("1 March 2003");
    ASSERT_TRUE(w.check_dates());
    EXPECT_EQ(state.datefrom, ole_from_ymd(2003, 3, 1));
    EXPECT_EQ(state.dateto, ole_from_ymd(2003, 3, 31));
    EXPECT_TRUE(messages.isEmpty());

    w.lineEdit("txtDateFrom")->setText("02/03/2003");
    w.lineEdit("txtDateTo")->clear();
    EXPECT_FALSE(w.check_dates());
    EXPECT_EQ(messages, QStringList{"Sorry, you entered an incorrect value"});
    EXPECT_EQ(QApplication::focusWidget(), w.lineEdit("txtDateTo"));
    EXPECT_EQ(state.datefrom,
              ole_from_ymd(2003, 3, 2));  // the start was read before the end failed

    w.lineEdit("txtDateFrom")->setText("31/02/2003");
    EXPECT_FALSE(w.check_dates());
    EXPECT_EQ(QApplication::focusWidget(), w.lineEdit("txtDateFrom"));
}

TEST_F(MainWindowTest, ControlsSitWhereTheLayoutPutsThem) {
    MainWindow& w = open(2003, 3, 31);
    EXPECT_EQ(w.windowTitle(), "Qdx");
    EXPECT_EQ(w.centralWidget()->size(), QSize(509, 375));
    EXPECT_EQ(w.button("cmdAffiliates")->geometry(), QRect(16, 88, 169, 33));
    EXPECT_EQ(w.button("cmdAPSettings")->geometry(), QRect(16, 280, 169, 33));
    EXPECT_EQ(w.button("cmdAPSettings")->text(), "AP Settings");
    EXPECT_EQ(w.button("cmdSales")->text(), "Sales/Leads");
    EXPECT_EQ(w.button("cmdPaymentsR")->text(), "Payments Due");
    EXPECT_EQ(w.findChild<QCheckBox*>("chHTML")->text(), "HTM");
    EXPECT_EQ(w.findChild<QLabel*>("lbl1")->text(), " REGISTRATION");
    EXPECT_EQ(w.findChild<QGroupBox*>("frmDownline")->title(), "Downline");
    EXPECT_EQ(w.findChild<QGroupBox*>("frameActivity")->pos(), QPoint(368, 72));
    EXPECT_TRUE(w.findChild<QRadioButton*>("OptShort")->isChecked());
    EXPECT_FALSE(w.fullReportSelected());
    EXPECT_EQ(w.findChild<QLabel*>("lbl3")->buddy(), w.lineEdit("txtDateFrom"));
    for (const char* id : {"txtAIDa", "txtAIDn", "txtAID", "txtAIDd"}) ASSERT_TRUE(w.lineEdit(id));
}

TEST_F(MainWindowTest, ClosingDeletesTheWorkingFiles) {
    MainWindow& w = open(2003, 3, 31);
    ensure_folder(state.appDir);
    RecordFile(state.workFile(file::kActivity), ActivityRecord::kSize).write(1, ActivityRecord{});
    RecordFile(state.workFile(file::kAccounts), AccountRecord::kSize).write(1, AccountRecord{});
    w.close();
    EXPECT_FALSE(file_exists(state.workFile(file::kActivity)));
    EXPECT_FALSE(file_exists(state.workFile(file::kAccounts)));
}

TEST_F(MainWindowTest, OpeningLoadsTheSettings) {
    test::write_settings(state, test::settings("Percents", {10, 5, 2}));
    open(2003, 3, 31);
    EXPECT_EQ(state.settings.payType, 1);
    EXPECT_EQ(state.settings.levelsInUse, 3);
}

}  // namespace
}  // namespace qdx::ui
