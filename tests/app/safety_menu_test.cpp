// File ▸ Check the data..., History..., Back up... and Restore...
#include <QCoreApplication>
#include <QLineEdit>
#include <QTableWidget>
#include <fstream>

#include "app/main_window.h"
#include "app/window_wiring.h"
#include "core/history.h"
#include "registers/ui/window_fixture.h"

namespace qdx::test {
namespace {

class SafetyMenuTest : public WindowTest {
  protected:
    void SetUp() override {
        write_affiliates(state, {affiliate(1, 0, 1, 37257), affiliate(2, 1, 5, 37257)});
        write_money(state, file::kSales, {{1, 10, 37257}, {9, 10, 37257}});
        main = open(new ui::MainWindow(context));
        ui::wire_main_window(*main);
    }
    void TearDown() override {
        for (const char* w : {"frmCheck", "frmHistory", "frmAffiliates"})
            if (QWidget* opened = context.openWindow(w)) opened->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    ui::MainWindow* main = nullptr;
};

TEST_F(SafetyMenuTest, CheckListsTheFindingsAndRepairsWhatLosesNothing) {
    main->action("CheckData")->trigger();
    QWidget* window = context.openWindow("frmCheck");
    ASSERT_NE(window, nullptr);
    auto* grid = child<QTableWidget>(window, "grdFindings");
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(0, 0)->text(), "data/affiliates.qdx");
    EXPECT_EQ(grid->item(0, 1)->text(), "2");
    EXPECT_EQ(grid->item(0, 2)->text(), "Level");
    EXPECT_EQ(grid->item(1, 0)->text(), "data/sales.qdx");
    EXPECT_EQ(grid->item(1, 2)->text(), "Affiliate's ID");
    child<QPushButton>(window, "cmdRepair")->click();
    // The sale of affiliate 9 is left to the owner; the Level is repaired.
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 0)->text(), "data/sales.qdx");
    EXPECT_FALSE(child<QPushButton>(window, "cmdRepair")->isEnabled());
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().find("set the Level of affiliate 2 from 5 to 2"), std::string::npos)
        << messages.back();
}

TEST_F(SafetyMenuTest, HistoryFiltersItsLines) {
    write_history(state.appDir, "affiliates", 2, "saved: Name: Ann → Bob");
    write_history(state.appDir, "sales", 1, "created: Affiliate's ID: 2; Sum: 10");
    write_history(state.appDir, "sales", 2, "created: Affiliate's ID: 1; Sum: 5");
    main->action("History")->trigger();
    QWidget* window = context.openWindow("frmHistory");
    ASSERT_NE(window, nullptr);
    auto* grid = child<QTableWidget>(window, "grdHistory");
    EXPECT_EQ(grid->rowCount(), 3);
    child<QLineEdit>(window, "txtAffiliate")->setText("2");
    EXPECT_EQ(grid->rowCount(), 2);
    child<QLineEdit>(window, "txtRegister")->setText("sales");
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 4)->text(), "1");
    child<QLineEdit>(window, "txtTo")->setText("2000-01-01");
    EXPECT_EQ(grid->rowCount(), 0);
}

TEST_F(SafetyMenuTest, BackUpAndRestoreThroughTheMenu) {
    const auto zip = folder.path() / "b.zip";
    context.fileSink = [zip](const ui::FileRequest&) {
        return QString::fromStdString(zip.string());
    };
    main->action("BackUp")->trigger();
    ASSERT_TRUE(std::filesystem::exists(zip)) << (messages.empty() ? "" : messages.back());
    const std::string sales = read_file(state.dataFile(file::kSales));
    write_money(state, file::kSales, {{1, 99, 37258}});
    // While a register window is open the restore is refused.
    main->button("cmdAffiliates")->click();
    main->action("Restore")->trigger();
    EXPECT_EQ(messages.back(), "Close the register and settings windows first.");
    context.openWindow("frmAffiliates")->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main->action("Restore")->trigger();
    EXPECT_EQ(read_file(state.dataFile(file::kSales)), sales);
    EXPECT_NE(messages.back().find("Restored."), std::string::npos) << messages.back();
}

}  // namespace
}  // namespace qdx::test
