// The accounts and payments-due reports and Register payments.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/settings.h"
#include "reports/csv_export.h"
#include "reports/report_asking.h"
#include "reports/report_export.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

using test::affiliate;
using Cells = std::vector<std::string>;

double march(int day) { return ole_from_ymd(2003, 3, day); }

MoneyRecord money(int32_t id, float sum, double date) { return MoneyRecord{id, sum, date}; }

// Affiliates 1 (root), 2 (referred by 1), 3 (referred by 2); Percents
// 10, 5, 2; range 1 to 31 March 2003.
class AccountsTest : public ::testing::Test {
  protected:
    AccountsTest() : state(folder.path()) {}
    void worked(float minPayment = 0) {
        test::write_affiliates(
            state, {affiliate(1, 0, 1, march(1), "Kai"), affiliate(2, 1, 2, march(5), "Lea"),
                    affiliate(3, 2, 3, march(5), "Max")});
        test::write_settings(state, test::settings("Percents", {10, 5, 2}, minPayment));
        load_settings(state);
    }
    std::vector<MoneyRecord> payments() {
        return test::read_records<MoneyRecord>(state.dataFile(file::kPayments));
    }
    test::TempFolder folder;
    AppState state;
    DateRange range{march(1), march(31)};
};

TEST_F(AccountsTest, RowsAreRoundedAndTotalledAsShown) {
    worked();
    state.settings.payType = 2;  // Fixed sums per sale
    state.settings.rewards = {0, 12.3456f, 5.25f};
    test::write_money(state, file::kSales, {money(2, 1, march(2))});
    auto t = ask(state, range, ReportKind::Accounts, 0, false);
    EXPECT_EQ(t.text(1, 1), "5.25");
    EXPECT_EQ(t.text(2, 1), "12.346");
    EXPECT_EQ(t.text(4, 1), "17.596");
}

TEST_F(AccountsTest, AStoppedReportSaysHowFarItWasAndLeavesNoWorkingFile) {
    worked();
    test::write_money(state, file::kSales, {money(3, 100, march(2)), money(2, 50, march(3))});
    std::stop_source stop;
    std::vector<std::string> stages;
    Progress progress(stop.get_token(), [&](const ProgressReport& r) {
        if (r.done == 0) stages.push_back(r.what);
        if (r.what == "Listing the accounts" && r.done > 0) stop.request_stop();
    });
    const ReportRequest request{ReportKind::PaymentsDue, range};
    EXPECT_THROW(make_report(state, request, progress), Cancelled);
    EXPECT_EQ(stages, (std::vector<std::string>{"Adding up the sales", "Adding up the payments",
                                                "Listing the accounts"}));
    EXPECT_FALSE(file_exists(state.workFile(file::kAccounts)));

    Progress unstopped;
    EXPECT_EQ(make_report(state, request, unstopped).rowCount(), 5u);
}

TEST_F(AccountsTest, StaleAccountsBeyondTheAffiliatesAddNoRows) {
    // A longer accounts.qdx left behind, with the affiliates file restored
    // from a back copy: its records 4 and 5 belong to nobody.
    auto leaveStaleAccounts = [&] {
        RecordFile stale(state.workFile(file::kAccounts), AccountRecord::kSize);
        for (int64_t k = 1; k <= 5; ++k) stale.write(k, AccountRecord{50, 0});
    };
    leaveStaleAccounts();
    worked(1);
    EXPECT_EQ(ask(state, range, ReportKind::Accounts, 0, false).rowCount(), 5u);  // 3 and the Total
    leaveStaleAccounts();
    auto t = ask(state, range, ReportKind::PaymentsDue, 0, false, true);
    EXPECT_EQ(t.rowCount(), 2u);  // nobody earned the minimal payment
    EXPECT_FALSE(file_exists(folder.path() / "HTML" / " 4.html"));
}

// A damaged sale whose sum is NaN makes its seller's and uplines' incomes
// NaN: Accounts shows NaN (never 0) and so does its Total; Payments Due lists
// the others and names the three it cannot pay; nothing pays them.
TEST_F(AccountsTest, ANanSaleShowsAsNanAndItsAffiliatesAreNamedNotPaid) {
    worked(0);
    test::write_affiliates(state, {affiliate(4, 0, 1, march(5), "Noa")});
    test::write_money(state, file::kSales,
                      {money(3, std::nanf(""), march(15)), money(4, 100, march(16))});
    const ReportTable accounts = ask(state, range, ReportKind::Accounts);
    ASSERT_EQ(accounts.rowCount(), 6u);
    for (size_t r = 1; r <= 3; ++r)
        EXPECT_EQ(accounts.rowTexts(r), (Cells{std::to_string(r), "NaN", "0", "NaN"}));
    EXPECT_EQ(accounts.rowTexts(4), (Cells{"4", "10", "0", "10"}));
    EXPECT_EQ(accounts.rowTexts(5), (Cells{" Total", "NaN", "0", "NaN"}));
    const std::string text = export_text(accounts, ';', state);
    EXPECT_NE(text.find("\r\n2;NaN;0;NaN\r\n"), std::string::npos) << text;

    test::write_money(state, file::kPayments, {money(4, 1, ole_from_ymd(2003, 2, 1))});
    const ReportTable due = ask(state, range, ReportKind::PaymentsDue);
    ASSERT_EQ(due.rowCount(), 3u);
    EXPECT_EQ(due.rowTexts(1), (Cells{"4", "10"}));
    EXPECT_EQ(due.rowTexts(2), (Cells{" Total", "10"}));
    EXPECT_EQ(due.notice.rfind("Affiliates 1 (balance NaN), 2 (balance NaN), 3 (balance NaN) are "
                               "left out of the report",
                               0),
              0u)
        << due.notice;
    EXPECT_EQ(register_payments(state, due), 1);
    const auto written = payments();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[1].affiliateId, 4);
    EXPECT_EQ(written[1].sum, 10.0f);
}

// Twenty sales of 3.4e38 overflow the seller's income to infinity: Accounts
// shows inf, Payments Due names the affiliate and lists the others, whose
// incomes are vast but finite.
TEST_F(AccountsTest, AnIncomeThatOverflowsShowsAsInfAndIsNeverPaid) {
    worked(0);
    test::write_money(state, file::kSales,
                      std::vector<MoneyRecord>(20, money(3, 3.4e38f, march(15))));
    const ReportTable accounts = ask(state, range, ReportKind::Accounts);
    EXPECT_EQ(accounts.rowTexts(3), (Cells{"3", "inf", "0", "inf"}));
    EXPECT_EQ(accounts.rowTexts(4)[1], "inf");  // the Total
    EXPECT_EQ(accounts.text(1, 1), "1.36E+38");
    const auto csv = test::csv_rows(export_csv(accounts, state));
    ASSERT_GT(csv.size(), 3u);
    EXPECT_EQ(csv[3][1], "inf");

    const ReportTable due = ask(state, range, ReportKind::PaymentsDue);
    ASSERT_EQ(due.rowCount(), 4u);
    EXPECT_EQ(due.rowTexts(1), (Cells{"1", "1.36E+38"}));
    EXPECT_EQ(due.text(2, 0), "2");
    EXPECT_EQ(due.notice.rfind("Affiliate 3 (balance inf) is left out of the report", 0), 0u)
        << due.notice;
    EXPECT_NE(due.text(3, 1), "0");

    // A table that holds such an amount is refused whole by Register payments.
    test::write_money(state, file::kPayments, {money(1, 1, ole_from_ymd(2003, 2, 1))});
    ReportTable damaged = due;
    put_single(damaged, 2, 1, std::numeric_limits<float>::infinity(), state.regional);
    EXPECT_EQ(damaged.text(2, 1), "inf");
    try {
        register_payments(state, damaged);
        ADD_FAILURE() << "an infinite amount was registered";
    } catch (const ReportError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Affiliate 2's amount is inf: no payment can be made of it");
    }
    EXPECT_EQ(payments().size(), 1u);
}

TEST_F(AccountsTest, DueWhenTheBalanceReachesTheMinimalPayment) {
    worked(10);
    test::write_money(state, file::kSales, {money(3, 200, march(15))});
    auto t = ask(state, range, ReportKind::PaymentsDue, 0, false, false);
    EXPECT_TRUE(t.showRegisterPayments);
    ASSERT_EQ(t.rowCount(), 4u);
    EXPECT_EQ(t.rowTexts(1), (Cells{"2", "10"}));  // exactly the minimal payment
    EXPECT_EQ(t.rowTexts(3), (Cells{" Total", "30"}));
}

TEST_F(AccountsTest, MinimalPaymentZeroListsEveryoneNotNegative) {
    worked(0);
    test::write_money(state, file::kPayments, {money(1, 3, march(3))});
    auto t = ask(state, range, ReportKind::PaymentsDue, 0, false, false);
    ASSERT_EQ(t.rowCount(), 4u);
    EXPECT_EQ(t.rowTexts(1), (Cells{"2", "0"}));
    EXPECT_EQ(t.text(2, 0), "3");
}

TEST_F(AccountsTest, RegistersTheSumsAsShownAndAgainOnEveryCall) {
    worked(5);
    test::write_money(state, file::kSales, {money(3, 123.4567f, march(15))});
    test::write_money(state, file::kPayments, {money(1, 1, ole_from_ymd(2003, 2, 1))});
    auto first = ask(state, range, ReportKind::PaymentsDue, 0, false, false);
    ASSERT_EQ(first.rowCount(), 4u);
    EXPECT_EQ(first.text(2, 1), "12.346");  // affiliate 3's 10 % of 123.4567
    EXPECT_EQ(register_payments(state, first), 2);

    auto written = payments();
    ASSERT_EQ(written.size(), 3u);
    EXPECT_FLOAT_EQ(written[1].sum, 6.173f);
    EXPECT_EQ(written[2].sum, 12.346f);     // as shown
    EXPECT_EQ(written[2].date, march(31));  // the range's end, not today

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
    t.appendTextRow({" Total"});
    t.hasTotalRow = true;
    EXPECT_EQ(register_payments(state, t), 0);
    EXPECT_FALSE(file_exists(state.dataFile(file::kPayments)));

    test::write_money(state, file::kPayments, {money(1, 1, march(1))});
    EXPECT_THROW(register_payments(state, t), ReportError);
    EXPECT_EQ(payments().size(), 1u);
}

// The refusals themselves are the command line's failure messages.
TEST_F(AccountsTest, ReportIdsAreTrimmedRoundedHalfToEvenAndZeroMeansEveryone) {
    worked();
    int32_t id = -1;
    EXPECT_EQ(check_report_id(state, "4", id), IdCheck::NoAffiliate);
    EXPECT_EQ(id, -1);
    EXPECT_EQ(check_report_id(state, "0", id), IdCheck::Ok);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(check_report_id(state, " 3 ", id), IdCheck::Ok);
    EXPECT_EQ(id, 3);
    EXPECT_EQ(check_report_id(state, "2.5", id), IdCheck::Ok);
    EXPECT_EQ(id, 2);
}

}  // namespace
}  // namespace qdx
