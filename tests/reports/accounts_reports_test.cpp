// The accounts and payments-due reports and Register payments.
#include <gtest/gtest.h>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/settings.h"
#include "reports/report_asking.h"
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

TEST_F(AccountsTest, RowsAreRoundedAndTotalledAsShown) {
    worked();
    state.settings.payType = 2;  // Fixed sums per sale
    state.settings.rewards = {0, 12.3456f, 5.25f};
    test::write_money(state, file::kSales, {money(2, 1, march(2))});
    auto t = ask(state, ReportKind::Accounts, 0, false);
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
    const ReportRequest request{ReportKind::PaymentsDue, state.datefrom, state.dateto};
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
    EXPECT_EQ(ask(state, ReportKind::Accounts, 0, false).rowCount(), 5u);  // 3 and the Total
    leaveStaleAccounts();
    auto t = ask(state, ReportKind::PaymentsDue, 0, false, true);
    EXPECT_EQ(t.rowCount(), 2u);  // nobody earned the minimal payment
    EXPECT_FALSE(file_exists(folder.path() / "HTML" / " 4.html"));
}

TEST_F(AccountsTest, DueWhenTheBalanceReachesTheMinimalPayment) {
    worked(10);
    test::write_money(state, file::kSales, {money(3, 200, march(15))});
    auto t = ask(state, ReportKind::PaymentsDue, 0, false, false);
    EXPECT_TRUE(t.showRegisterPayments);
    ASSERT_EQ(t.rowCount(), 4u);
    EXPECT_EQ(t.rowTexts(1), (Cells{"2", "10"}));  // exactly the minimal payment
    EXPECT_EQ(t.rowTexts(3), (Cells{" Total", "30"}));
}

TEST_F(AccountsTest, MinimalPaymentZeroListsEveryoneNotNegative) {
    worked(0);
    test::write_money(state, file::kPayments, {money(1, 3, march(3))});
    auto t = ask(state, ReportKind::PaymentsDue, 0, false, false);
    ASSERT_EQ(t.rowCount(), 4u);
    EXPECT_EQ(t.rowTexts(1), (Cells{"2", "0"}));
    EXPECT_EQ(t.text(2, 0), "3");
}

TEST_F(AccountsTest, RegistersTheSumsAsShownAndAgainOnEveryCall) {
    worked(5);
    test::write_money(state, file::kSales, {money(3, 123.4567f, march(15))});
    test::write_money(state, file::kPayments, {money(1, 1, ole_from_ymd(2003, 2, 1))});
    auto first = ask(state, ReportKind::PaymentsDue, 0, false, false);
    ASSERT_EQ(first.rowCount(), 4u);
    EXPECT_EQ(first.text(2, 1), "12.346");  // affiliate 3's 10 % of 123.4567
    EXPECT_EQ(register_payments(state, first), 2);

    auto written = payments();
    ASSERT_EQ(written.size(), 3u);
    EXPECT_FLOAT_EQ(written[1].sum, 6.173f);
    EXPECT_EQ(written[2].sum, 12.346f);     // as shown
    EXPECT_EQ(written[2].date, march(31));  // dateto, not today

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
