// The report window on its own: the grid, the exports, Register payments.
#include "reports/ui/report_window.h"

#include <QFont>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <filesystem>

#include "core/files.h"
#include "core/record_file.h"
#include "report_ui_fixture.h"

namespace qdx::test {
namespace {

namespace fs = std::filesystem;

ReportTable payments_table(std::vector<std::pair<int32_t, float>> rows) {
    ReportTable t;
    t.request = {ReportKind::PaymentsDue, ole_from_ymd(2003, 3, 1), ole_from_ymd(2003, 3, 31)};
    t.caption = "Payments_Report";
    t.showRegisterPayments = true;
    t.setHeader(" Affiliate's ID     | Payments Due  ");
    for (auto [id, sum] : rows) {
        t.appendRow();
        put_long(t, t.rowCount() - 1, 0, id);
        put_single(t, t.rowCount() - 1, 1, sum, Regional());
    }
    append_total_row(t, {1}, Regional());
    return t;
}

class ReportWindowTest : public ReportUiTest {
  protected:
    ui::ReportWindow* open(ReportTable table) {
        ui::ReportWindow* w = ui::show_report_window(context);
        w->showTable(std::move(table));
        return w;
    }
    template <class T>
    T* child(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    void click(QWidget* w, const char* name) { child<QPushButton>(w, name)->click(); }
    std::vector<MoneyRecord> payments() {
        RecordFile f(state.dataFile(file::kPayments), MoneyRecord::kSize);
        std::vector<MoneyRecord> all;
        for (int64_t k = 1; k <= f.count(); ++k) all.push_back(f.read<MoneyRecord>(k));
        return all;
    }
};

TEST_F(ReportWindowTest, GridShowsHeaderAndTotalRowInBoldAndTheDataRowsPlain) {
    ui::ReportWindow* w = open(accounts_table());
    auto* model = child<QTableView>(w, "MsfReport")->model();
    EXPECT_EQ(w->windowTitle(), "Accounts_Report");
    ASSERT_EQ(model->rowCount(), 3);
    ASSERT_EQ(model->columnCount(), 4);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), " Affiliate's ID     ");
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), "  Balance        ");
    EXPECT_TRUE(model->headerData(1, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(model->index(0, 1).data().toString(), "12.346");
    EXPECT_FALSE(model->index(1, 2).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(model->index(2, 0).data().toString(), " Total");
    EXPECT_TRUE(model->index(2, 3).data(Qt::FontRole).value<QFont>().bold());
    // Columns are at least as wide as their header texts.
    EXPECT_GT(child<QTableView>(w, "MsfReport")->columnWidth(0), 60);
    EXPECT_TRUE(child<QPushButton>(w, "cmdRegistrePayments")->isHidden());
}

TEST_F(ReportWindowTest, SaveAsTextUsesTheChosenSeparatorAndReplacesTheEarlierExport) {
    ui::ReportWindow* w = open(accounts_table());
    fs::path file = folder.path() / "output" / "Accounts_Report.txt";
    click(w, "cmdSaveTXT");
    EXPECT_NE(read_file(file).find("2;5.25;1;4.25\r\n"), std::string::npos);

    child<QRadioButton>(w, "optComma")->click();
    click(w, "cmdSaveTXT");
    std::string text = read_file(file);
    EXPECT_EQ(text.find("2;5.25"), std::string::npos);
    EXPECT_NE(text.find(" Total,17.596,1,16.596\r\n"), std::string::npos);

    child<QRadioButton>(w, "optSpase")->click();
    click(w, "cmdSaveTXT");
    EXPECT_NE(read_file(file).find(" Affiliate's ID       Income       "), std::string::npos);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(w->statusText().contains("Accounts_Report.txt"));
}

TEST_F(ReportWindowTest, SavesThatCannotBeWrittenSaySoAndLeaveNoFile) {
    ui::ReportWindow* w = open(accounts_table());
    // A file where the output folder belongs stops both exports.
    write_file_atomically(folder.path() / "output", "not a folder");
    click(w, "cmdSaveTXT");
    click(w, "cmdSaveHTM");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].text.startsWith("The report could not be saved as text"));
    EXPECT_TRUE(messages[1].text.startsWith("The report could not be saved as HTML"));
    EXPECT_EQ(messages[0].title, "Qdx");
    EXPECT_EQ(messages[0].buttons, ui::MessageButtons::Ok);
    EXPECT_TRUE(w->statusText().isEmpty());
}

TEST_F(ReportWindowTest, RegisterPaymentsAsksAndAppendsOnePaymentPerDataRowDatedTheRangeEnd) {
    write_money(state, file::kPayments, {{9, 1.5f, ole_from_ymd(2003, 1, 2)}});
    ui::ReportWindow* w = open(payments_table({{3, 12.5f}, {7, 4}}));
    answer = ui::MessageAnswer::Cancel;
    click(w, "cmdRegistrePayments");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Warninig");
    EXPECT_EQ(messages[0].text,
              "The payments from the Report will be registered on the date  31/03/2003");
    EXPECT_EQ(messages[0].buttons, ui::MessageButtons::OkCancel);
    EXPECT_EQ(payments().size(), 1u);

    answer = ui::MessageAnswer::Ok;
    click(w, "cmdRegistrePayments");
    click(w, "cmdRegistrePayments");  // each confirmed click registers again
    auto all = payments();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[1].affiliateId, 3);
    EXPECT_EQ(all[1].sum, 12.5f);
    EXPECT_EQ(all[1].date, state.dateto);
    EXPECT_EQ(all[4].affiliateId, 7);
    EXPECT_EQ(all[4].sum, 4.0f);
    EXPECT_EQ(messages.size(), 3u);  // the confirmations only
    EXPECT_EQ(w->table().rowCount(), 4u);
}

TEST_F(ReportWindowTest, RegisterPaymentsThatFailsPartWayWritesNoneAndSaysSo) {
    write_money(state, file::kPayments, {{9, 1.5f, ole_from_ymd(2003, 1, 2)}});
    ReportTable table = payments_table({{3, 12.5f}, {7, 4}});
    table.numbers[0][2] = std::nan("");  // the second row names no affiliate
    ui::ReportWindow* w = open(std::move(table));
    click(w, "cmdRegistrePayments");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].text.startsWith("The payments could not be registered"));
    EXPECT_EQ(payments().size(), 1u);
}

TEST_F(ReportWindowTest, AMillionRowReportIsShownAtOnce) {
    ReportTable big;
    big.caption = "Accounts_Report";
    big.setHeader(" Affiliate's ID     | Income       ");
    big.cells.reserve(1'000'002);
    for (int k = 1; k <= 1'000'000; ++k) big.appendRow() = {std::to_string(k), "1.5"};
    big.appendRow() = {" Total", "1500000"};
    big.hasTotalRow = true;

    ui::ReportWindow* w = ui::show_report_window(context);
    w->showTable(std::move(big));
    auto* grid = child<QTableView>(w, "MsfReport");
    grid->scrollToBottom();
    (void)w->grab();  // paints the visible rows
    EXPECT_EQ(grid->model()->rowCount(), 1'000'001);
    EXPECT_TRUE(grid->model()->index(1'000'000, 1).data(Qt::FontRole).value<QFont>().bold());
}

}  // namespace
}  // namespace qdx::test
