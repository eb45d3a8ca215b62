// The accounts and payments-due reports and Register payments.
#include <gtest/gtest.h>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/settings.h"
#include "core/text_field.h"
#include "reports/report_asking.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

using test::affiliate;

double march(int day) { return ole_from_ymd(2003, 3, day); }

MoneyRecord money(int32_t id, float sum, double date) { return MoneyRecord{id, sum, date}; }

std::vector<std::string> row(const ReportTable& t, size_t r) { return t.cells.at(r); }
using Cells = std::vector<std::string>;

// Affiliates 1 (root), 2 (referred by 1), 3 (referred by 2); Percents
// 10, 5, 2; range 1 to 31 March 2003.
class AccountsTest : public ::testing::Test {
  protected:
    AccountsTest() : state(folder.path()) {
        state.datefrom = march(1);
        state.dateto = march(31);
    }
    void worked(float minPayment = 0) {
        test::write_affiliates(
            state, {affiliate(1, 0, 1, march(1), "Kai"), affiliate(2, 1, 2, march(5), "Lea"),
                    affiliate(3, 2, 3, march(5), "Max")});
        test::write_settings(state, test::settings("Percents", {10, 5, 2}, minPayment));
        load_settings(state);
    }
    std::vector<MoneyRecord> payments() {
        RecordFile f(state.dataFile(file::kPayments), MoneyRecord::kSize);
        std::vector<MoneyRecord> out;
        for (int64_t k = 1; k <= f.count(); ++k) out.push_back(f.read<MoneyRecord>(k));
        return out;
    }
    test::TempFolder folder;
    AppState state;
};

TEST_F(AccountsTest, WorkedExampleWithANegativeBalance) {
    worked();
    test::write_money(state, file::kSales, {money(3, 200, march(15))});
    test::write_money(state, file::kPayments, {money(2, 12.5f, march(10))});
    auto t = ask(state, ReportKind::Accounts, 0, false);
    EXPECT_EQ(t.caption, "Accounts_Report");
    EXPECT_FALSE(t.showRegisterPayments);
    ASSERT_EQ(t.rowCount(), 5u);
    EXPECT_EQ(row(t, 0), (Cells{" Affiliate's ID     ", " Income       ", " Payments         ",
                                "  Balance        "}));
    EXPECT_EQ(row(t, 1), (Cells{"1", "4", "0", "4"}));
    EXPECT_EQ(row(t, 2), (Cells{"2", "10", "12.5", "-2.5"}));
    EXPECT_EQ(row(t, 3), (Cells{"3", "20", "0", "20"}));
    EXPECT_EQ(row(t, 4), (Cells{" Total", "34", "12.5", "21.5"}));
    EXPECT_FALSE(file_exists(state.workFile(file::kAccounts)));
}

TEST_F(AccountsTest, NoAffiliatesGiveHeaderAndZeroTotal) {
    for (bool full : {false, true}) {
        auto t = ask(state, ReportKind::Accounts, 0, full);
        ASSERT_EQ(t.rowCount(), 2u);
        EXPECT_EQ(t.columnCount(), full ? 14u : 4u);
        EXPECT_EQ(t.cells[1][0], " Total");
        EXPECT_EQ(t.cells[1][1], "0");
        EXPECT_EQ(t.cells[1][3], "0");
        if (full) {
            EXPECT_EQ(t.cells[0][4], "Name");
            EXPECT_EQ(t.cells[0][13], "Level");
            EXPECT_EQ(t.cells[1][13], "");
        }
    }
}

TEST_F(AccountsTest, FullFormCarriesFixedWidthFields) {
    worked();
    auto t = ask(state, ReportKind::Accounts, 0, true);
    ASSERT_EQ(t.columnCount(), 14u);
    EXPECT_EQ(t.cells[0][4], "Name");
    EXPECT_EQ(t.cells[0][8], "Country");
    EXPECT_EQ(t.cells[2][4], "Lea                 ");
    EXPECT_EQ(t.cells[2][9], std::string(10, ' '));  // Post_Cod
    EXPECT_EQ(t.cells[2][13], "2");
    EXPECT_EQ(t.cells[4][4], "");  // the Total row gets no details
    const std::string text = export_text(t, ' ', state);
    const std::string line =
        "\r\n2 0 0 0 " + fit_field("Lea", 20) + " " + std::string(20, ' ') + " ";
    EXPECT_NE(text.find(line), std::string::npos);
}

TEST_F(AccountsTest, RowsAreRoundedAndTotalledAsShown) {
    worked();
    state.settings.payType = 2;  // Fixed sums per sale
    state.settings.rewards = {0, 12.3456f, 5.25f};
    test::write_money(state, file::kSales, {money(2, 1, march(2))});
    auto t = ask(state, ReportKind::Accounts, 0, false);
    EXPECT_EQ(t.cells[1][1], "5.25");
    EXPECT_EQ(t.cells[2][1], "12.346");
    EXPECT_EQ(t.cells[4][1], "17.596");
}

TEST_F(AccountsTest, StaleAccountsBeyondTheAffiliatesAddNoRows) {
    // A longer accounts.qdx left behind, with the affiliates file restored
    // from a back copy: its records 4 and 5 belong to nobody.
    {
        RecordFile stale(state.workFile(file::kAccounts), AccountRecord::kSize);
        for (int64_t k = 1; k <= 5; ++k) stale.write(k, AccountRecord{50, 0});
    }
    worked(1);
    EXPECT_EQ(ask(state, ReportKind::Accounts, 0, false).rowCount(),
              5u);  // 3 affiliates and the Total
    {
        RecordFile stale(state.workFile(file::kAccounts), AccountRecord::kSize);
        for (int64_t k = 1; k <= 5; ++k) stale.write(k, AccountRecord{50, 0});
    }
    auto t = ask(state, ReportKind::PaymentsDue, 0, false, true);
    EXPECT_EQ(t.rowCount(), 2u);  // nobody earned the minimal payment
    EXPECT_FALSE(file_exists(folder.path() / "HTML" / " 4.html"));
}

TEST_F(AccountsTest, DueWhenTheBalanceReachesTheMinimalPayment) {
    worked(10);
    test::write_money(state, file::kSales, {money(3, 200, march(15))});
    auto t = ask(state, ReportKind::PaymentsDue, 0, false, false);
    EXPECT_EQ(t.caption, "Payments_Report");
    EXPECT_TRUE(t.showRegisterPayments);
    ASSERT_EQ(t.rowCount(), 4u);
    EXPECT_EQ(row(t, 0), (Cells{" Affiliate's ID     ", " Payments Due  "}));
    EXPECT_EQ(row(t, 1), (Cells{"2", "10"}));  // exactly the minimal payment
    EXPECT_EQ(row(t, 2), (Cells{"3", "20"}));
    EXPECT_EQ(row(t, 3), (Cells{" Total", "30"}));
    EXPECT_FALSE(file_exists(state.workFile(file::kAccounts)));
}

TEST_F(AccountsTest, MinimalPaymentZeroListsEveryoneNotNegative) {
    worked(0);
    test::write_money(state, file::kPayments, {money(1, 3, march(3))});
    auto t = ask(state, ReportKind::PaymentsDue, 0, true, false);
    ASSERT_EQ(t.rowCount(), 4u);
    EXPECT_EQ(row(t, 1)[0], "2");
    EXPECT_EQ(row(t, 1)[1], "0");
    EXPECT_EQ(row(t, 2)[0], "3");
    ASSERT_EQ(t.columnCount(), 12u);
    EXPECT_EQ(t.cells[1][2], "Lea                 ");
    EXPECT_EQ(t.cells[2][11], "3");
}

TEST_F(AccountsTest, PagesAreWrittenForEveryAffiliateDueOrNot) {
    worked(15);
    test::write_money(state, file::kSales, {money(3, 200, march(15))});
    auto t = ask(state, ReportKind::PaymentsDue, 0, false, true);
    ASSERT_EQ(t.rowCount(), 3u);  // only affiliate 3 is due
    for (const char* page : {" 1.html", " 1d.html", " 2.html", " 2d.html", " 3.html", " 3d.html"})
        EXPECT_TRUE(file_exists(folder.path() / "HTML" / page)) << page;
    EXPECT_FALSE(file_exists(state.workFile(file::kAccounts)));
}

TEST_F(AccountsTest, RegisteringTwiceOverTheSameRange) {
    worked(5);
    test::write_money(state, file::kSales, {money(3, 123.4567f, march(15))});
    test::write_money(state, file::kPayments, {money(1, 1, ole_from_ymd(2003, 2, 1))});
    auto first = ask(state, ReportKind::PaymentsDue, 0, false, false);
    ASSERT_EQ(first.rowCount(), 4u);
    EXPECT_EQ(first.cells[2][1], "12.346");  // affiliate 3's 10 % of 123.4567
    EXPECT_EQ(register_payments(state, first), 2);

    auto written = payments();
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[1].affiliateId, 2);
    EXPECT_FLOAT_EQ(written[1].sum, 6.173f);
    EXPECT_EQ(written[2].affiliateId, 3);
    EXPECT_EQ(written[2].sum, 12.346f);
    EXPECT_EQ(written[2].date, march(31));  // dateto, not today

    // Balances now hold only what the rounding left: nobody is due.
    auto second = ask(state, ReportKind::PaymentsDue, 0, false, false);
    ASSERT_EQ(second.rowCount(), 2u);
    EXPECT_EQ(register_payments(state, second), 0);
    EXPECT_EQ(payments().size(), 3u);
    // Registering the first table again appends again: nothing remembers a run.
    EXPECT_EQ(register_payments(state, first), 2);
    EXPECT_EQ(payments().size(), 5u);
}

TEST_F(AccountsTest, RegisteringNeedsThePaymentsFileAndWritesAllOrNothing) {
    ReportTable t;
    t.setHeader("a|b");
    t.appendRow();
    put_long(t, 1, 0, 1);
    put_long(t, 1, 1, 5);
    t.appendRow();
    put_long(t, 2, 0, 2);
    t.put(2, 1, "1E+300", 1e300);  // beyond what a payment holds
    t.appendRow()[0] = " Total";
    t.hasTotalRow = true;
    EXPECT_EQ(register_payments(state, t), 0);
    EXPECT_FALSE(file_exists(state.dataFile(file::kPayments)));

    test::write_money(state, file::kPayments, {money(1, 1, march(1))});
    EXPECT_THROW(register_payments(state, t), ReportError);
    EXPECT_EQ(payments().size(), 1u);
}

TEST_F(AccountsTest, ReportIdChecks) {
    worked();
    int32_t id = -1;
    EXPECT_EQ(check_report_id(state, "", id), IdCheck::Empty);
    EXPECT_EQ(check_report_id(state, "x1", id), IdCheck::NotANumber);
    EXPECT_EQ(check_report_id(state, "4", id), IdCheck::NoAffiliate);
    EXPECT_EQ(check_report_id(state, "-1", id), IdCheck::NoAffiliate);
    EXPECT_EQ(id, -1);
    EXPECT_EQ(check_report_id(state, "0", id), IdCheck::Ok);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(check_report_id(state, " 3 ", id), IdCheck::Ok);
    EXPECT_EQ(id, 3);
    EXPECT_EQ(check_report_id(state, "2.5", id), IdCheck::Ok);  // halves to even
    EXPECT_EQ(id, 2);
}

}  // namespace
}  // namespace qdx
