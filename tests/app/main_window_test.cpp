#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>

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
    EXPECT_EQ(w.lastRange().from, ole_from_ymd(2003, 3, 1));
    EXPECT_EQ(w.lastRange().to, ole_from_ymd(2003, 3, 31));
    EXPECT_TRUE(messages.isEmpty());

    w.lineEdit("txtDateFrom")->setText("02/03/2003");
    w.lineEdit("txtDateTo")->clear();
    EXPECT_FALSE(w.check_dates());
    EXPECT_EQ(w.lastRange().from, ole_from_ymd(2003, 3, 2));  // read before the end failed

    w.lineEdit("txtDateFrom")->setText("31/02/2003");
    EXPECT_FALSE(w.check_dates());
    EXPECT_EQ(QApplication::focusWidget(), w.lineEdit("txtDateFrom"));
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

}  // namespace
}  // namespace qdx::ui
