// The hold period: Payments Due over a range pays the commissions of the
// sales made the hold's days earlier, so that every sale is paid in exactly
// one period and a refund within the hold lowers it before it is paid.
#include "core/hold_period.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "core/accounts.h"
#include "core/files.h"
#include "core/history.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/settings.h"
#include "core/tree.h"
#include "reports/report_export.h"
#include "reports/report_kinds.h"
#include "support/test_support.h"

namespace qdx {
namespace {

using test::affiliate;

double day(int y, int m, int d) { return ole_from_ymd(y, m, d); }

class HoldPeriodTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::write_settings(state, test::settings("Percents", {10, 5, 2}, 0.5f));
        load_settings(state);
    }
    ReportTable due(double from, double to, bool pages = false) {
        return make_report(state, {ReportKind::PaymentsDue, {from, to}, 0, false, pages});
    }
    // The amounts due by affiliate ID.
    static std::map<int32_t, std::string> amounts(const ReportTable& table) {
        std::map<int32_t, std::string> found;
        for (size_t r = 1; r + 1 < table.rowCount(); ++r) found[table.rowId(r)] = table.text(r, 1);
        return found;
    }
    void storeHold(const std::string& text) {
        ensure_folder(state.dataDir());
        std::ofstream(state.dataFile(kHoldDaysFile), std::ios::binary) << text;
    }
    std::vector<HistoryLine> history() {
        const auto path = history_file(state.appDir);
        return file_exists(path) ? parse_history(test::read_file(path))
                                 : std::vector<HistoryLine>{};
    }
    test::TempFolder dir;
    AppState state{dir.path()};
    DateRange range;
};

TEST_F(HoldPeriodTest, OnlyWholeDaysFrom0To3650AreTakenAndTheRefusalNamesTheValue) {
    for (const char* bad : {"-1", "100000", "abc", "", "3651", "1.5", "+5", "3 0", "99999999999"}) {
        EXPECT_FALSE(parse_hold_days(bad)) << bad;
        const std::string message = hold_days_refusal(bad);
        EXPECT_NE(message.find("Commissions payable after: \"" + std::string(bad) + "\""),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find("a whole number of days from 0 to 3650"), std::string::npos);
    }
    EXPECT_EQ(parse_hold_days("0"), 0);
    EXPECT_EQ(parse_hold_days(" 30\r\n"), 30);
    EXPECT_EQ(parse_hold_days("3650"), 3650);
    EXPECT_EQ(parse_hold_days("007"), 7);
}

TEST_F(HoldPeriodTest, SavingWritesOnlyAChangeAndNotesItFirst) {
    EXPECT_EQ(load_hold_days(state.appDir), 0);
    EXPECT_FALSE(save_hold_days(state.appDir, 0));  // no hold, no file
    EXPECT_FALSE(file_exists(state.dataFile(kHoldDaysFile)));
    EXPECT_TRUE(history().empty());

    EXPECT_TRUE(save_hold_days(state.appDir, 30));
    EXPECT_EQ(load_hold_days(state.appDir), 30);
    EXPECT_FALSE(save_hold_days(state.appDir, 30));
    EXPECT_TRUE(save_hold_days(state.appDir, 1));
    const auto lines = history();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].registerName, "hold_days");
    EXPECT_EQ(lines[0].what, "saved: Commissions payable after: none → 30 days");
    EXPECT_EQ(lines[1].what, "saved: Commissions payable after: 30 days → 1 day");

    storeHold("3O");                                // a letter O
    EXPECT_TRUE(save_hold_days(state.appDir, 30));  // a damaged file is replaced
    EXPECT_EQ(history().back().what, "saved: Commissions payable after: \"3O\" → 30 days");
}

TEST_F(HoldPeriodTest, ADamagedFileStopsPaymentsDueWritingNothing) {
    test::write_affiliates(state, {affiliate(1, 0, 1, day(2003, 1, 1))});
    test::write_money(state, file::kSales, {{1, 100, day(2003, 3, 5)}});
    for (const char* bad : {"abc", "-1", "100000", "\x01\x02"}) {
        storeHold(bad);
        const std::string message =
            test::error_of<FileError>([&] { due(day(2003, 3, 1), day(2003, 3, 31), true); });
        EXPECT_NE(message.find(kHoldDaysFile), std::string::npos) << message;
        EXPECT_NE(message.find("a whole number from 0 to 3650"), std::string::npos) << message;
        if (std::string(bad) == "abc") {
            EXPECT_NE(message.find("holds \"abc\""), std::string::npos) << message;
        }
        EXPECT_FALSE(file_exists(state.workFile(file::kAccounts)));
        EXPECT_FALSE(std::filesystem::exists(state.appDir / "HTML"));
    }
}

// A hold of 0 days, stored or not, is the report of no hold at all, byte
// for byte; a hold only changes Payments Due, which says it in its caption.
TEST_F(HoldPeriodTest, NoHoldIsTodaysReportAndOtherReportsShowIncomeAsEarned) {
    test::copy_example("world-9031", state.appDir);
    load_settings(state);
    const double from = day(2006, 10, 30), to = day(2007, 3, 24);
    const std::string plain = export_text(due(from, to), ';', state);
    storeHold("0\r\n");
    const ReportTable zero = due(from, to);
    EXPECT_EQ(zero.caption, "Payments_Report");
    EXPECT_EQ(export_text(zero, ';', state), plain);

    ReportRequest accounts;
    accounts.range = {from, to};
    const std::string earned = export_text(make_report(state, accounts), ';', state);
    storeHold("30");
    const ReportTable held = due(from, to);
    EXPECT_EQ(held.caption, "Payments_Report (commissions held 30 days)");
    EXPECT_NE(export_text(held, ';', state), plain);
    EXPECT_EQ(export_text(make_report(state, accounts), ';', state), earned);
}

// Twelve consecutive months with a hold of 30 days: a sale is paid in the
// month that holds its date plus 30 days, in that month only, also on the
// edges of the months; a sale too late for December's payments is in none.
TEST_F(HoldPeriodTest, OverTwelveMonthsEverySaleIsPaidInExactlyOneMonth) {
    storeHold("30");
    std::vector<AffiliateRecord> sellers;
    std::vector<MoneyRecord> sales;
    std::vector<double> dates;
    for (int m = 1; m <= 12; ++m) {
        const double first = day(2003, m, 1);
        const double last = m == 12 ? day(2003, 12, 31) : day(2003, m + 1, 1) - 1;
        for (double d : {first - 31, first - 30, first - 29, last - 30, last - 29})
            dates.push_back(d);
    }
    for (size_t i = 0; i < dates.size(); ++i) {
        const auto id = static_cast<int32_t>(i + 1);
        sellers.push_back(affiliate(id, 0, 1, day(2002, 1, 1)));
        sales.push_back({id, 100 + static_cast<float>(i), dates[i]});
    }
    test::write_affiliates(state, sellers);
    test::write_money(state, file::kSales, sales);

    std::map<int32_t, int> paidIn;  // the month each seller was paid in
    float total = 0;
    for (int m = 1; m <= 12; ++m) {
        const double first = day(2003, m, 1);
        const double last = m == 12 ? day(2003, 12, 31) : day(2003, m + 1, 1) - 1;
        for (const auto& [id, amount] : amounts(due(first, last))) {
            EXPECT_EQ(paidIn.count(id), 0u) << "seller " << id << " paid twice";
            paidIn[id] = m;
            total += std::stof(amount);
        }
    }
    float earned = 0;
    for (size_t i = 0; i < dates.size(); ++i) {
        const auto id = static_cast<int32_t>(i + 1);
        const double payable = dates[i] + 30;
        if (payable < day(2003, 1, 1) || payable > day(2003, 12, 31)) {
            EXPECT_EQ(paidIn.count(id), 0u) << "seller " << id;
            continue;
        }
        earned += sales[i].sum / 10;
        EXPECT_EQ(paidIn[id], ymd_from_ole(payable).month) << "seller " << id;
    }
    EXPECT_FLOAT_EQ(total, earned);
    EXPECT_GT(paidIn.size(), 40u);
}

// A refund made while its sale is held lowers the commission before it is
// paid, also when it is dated in the month after the sale; one made after
// the sale was payable takes it back in the range it is dated. Payments and
// voids count in the range they are dated.
TEST_F(HoldPeriodTest, ARefundWithinTheHoldLowersTheCommissionBeforeItIsPaid) {
    storeHold("30");
    test::write_affiliates(
        state, {affiliate(1, 0, 1, day(2003, 1, 1)), affiliate(2, 1, 2, day(2003, 1, 1)),
                affiliate(3, 0, 1, day(2003, 1, 1)), affiliate(4, 0, 1, day(2003, 1, 1))});
    test::write_money(
        state, file::kSales,
        {{2, 200, day(2003, 2, 10)}, {3, 100, day(2003, 2, 25)}, {4, 100, day(2003, 1, 10)}});
    test::write_refunds(state, {{1, 50, day(2003, 2, 20)},
                                {2, 40, day(2003, 3, 5)},     // payable on 27 March
                                {3, 100, day(2003, 3, 3)}});  // payable since 9 February
    const double marchFirst = day(2003, 3, 1), marchLast = day(2003, 3, 31);
    EXPECT_EQ(amounts(due(day(2003, 2, 1), day(2003, 2, 28))),
              (std::map<int32_t, std::string>{{4, "10"}}));
    EXPECT_EQ(amounts(due(marchFirst, marchLast)),
              (std::map<int32_t, std::string>{{1, "7.5"}, {2, "15"}, {3, "6"}}));
    EXPECT_TRUE(amounts(due(day(2003, 4, 1), day(2003, 4, 30))).empty());
    Progress none;
    EXPECT_EQ(
        account_totals(state, {marchFirst, marchLast}, ReferralTree::load(state), false, none, 30)
            .income[4],
        -10);

    test::write_money(state, file::kPayments, {{2, 15, marchLast}});
    EXPECT_EQ(amounts(due(marchFirst, marchLast)),
              (std::map<int32_t, std::string>{{1, "7.5"}, {3, "6"}}));
    test::write_voids(state, {{1, 15, marchLast}});
    EXPECT_EQ(amounts(due(marchFirst, marchLast)),
              (std::map<int32_t, std::string>{{1, "7.5"}, {2, "15"}, {3, "6"}}));
}

// The pages tell what was earned in the range, not what the hold pays.
TEST_F(HoldPeriodTest, ThePagesTellTheIncomeEarnedInTheRange) {
    storeHold("30");
    test::write_affiliates(state, {affiliate(1, 0, 1, day(2003, 1, 1))});
    test::write_money(state, file::kSales,
                      {{1, 100, day(2003, 2, 10)}, {1, 300, day(2003, 3, 10)}});
    EXPECT_EQ(amounts(due(day(2003, 3, 1), day(2003, 3, 31), true)),
              (std::map<int32_t, std::string>{{1, "10"}}));
    const std::string page = test::read_file(state.appDir / "HTML" / " 1.html");
    EXPECT_NE(page.find(" is 30\r\n"), std::string::npos) << page;
}

}  // namespace
}  // namespace qdx
