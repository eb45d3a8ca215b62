// Refunds take a sale's commissions back on the sale's own walk, in the
// range they are dated, without the sale being changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <random>

#include "core/accounts.h"
#include "core/corrections.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/settings.h"
#include "reports/report_kinds.h"
#include "support/test_support.h"

namespace qdx {
namespace {

using test::affiliate;

double march(int day) { return ole_from_ymd(2003, 3, day); }
double april(int day) { return ole_from_ymd(2003, 4, day); }

// Affiliates 1 (root), 2 (referred by 1), 3 (referred by 2); one sale by 3
// of 200 on 15 March; 10 %, 5 % and 2 % on the first three levels.
class RefundsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::write_affiliates(state, {affiliate(1, 0, 1, march(1)), affiliate(2, 1, 2, march(5)),
                                       affiliate(3, 2, 3, march(5))});
        test::write_money(state, file::kSales, {{3, 200, march(15)}});
        use("Percents");
    }
    void use(const std::string& type, float minPayment = 0) {
        test::write_settings(state, test::settings(type, {10, 5, 2, 0, 0, 0, 0, 0}, minPayment));
        load_settings(state);
    }
    std::vector<float> income(double from, double to) {
        const AccountTotals totals =
            account_totals(state, {from, to}, ReferralTree::load(state), true);
        return {totals.income[1], totals.income[2], totals.income[3]};
    }
    ReportTable report(ReportKind kind, double from, double to) {
        return make_report(state, {kind, {from, to}});
    }
    test::TempFolder dir;
    AppState state{dir.path()};
};

TEST_F(RefundsTest, AFullOrPartialRefundTakesTheCommissionsBackOnEveryLevel) {
    EXPECT_EQ(income(march(1), march(31)), (std::vector<float>{4, 10, 20}));
    test::write_refunds(state, {{1, 50, march(20)}});  // a quarter
    EXPECT_EQ(income(march(1), march(31)), (std::vector<float>{3, 7.5f, 15}));
    use("Fixed");  // the fixed reward times the refunded share
    EXPECT_EQ(income(march(1), march(31)), (std::vector<float>{1.5f, 3.75f, 7.5f}));
    test::write_refunds(state, {{1, 150, march(21)}});  // the rest
    EXPECT_EQ(income(march(1), march(31)), (std::vector<float>{0, 0, 0}));
    use("Percents");
    EXPECT_EQ(income(march(1), march(31)), (std::vector<float>{0, 0, 0}));
    // Neither the sale nor its file was touched.
    RecordFile sales(state.dataFile(file::kSales), MoneyRecord::kSize);
    EXPECT_EQ(sales.count(), 1);
    EXPECT_EQ(sales.read<MoneyRecord>(1).sum, 200);
}

TEST_F(RefundsTest, ARefundAfterThePayoutLowersTheNextMonthOnly) {
    test::write_money(state, file::kPayments, {{3, 20, march(31)}, {2, 10, march(31)}});
    test::write_refunds(state, {{1, 100, april(3)}});
    EXPECT_EQ(income(march(1), march(31)), (std::vector<float>{4, 10, 20}));
    EXPECT_EQ(income(april(1), april(30)), (std::vector<float>{-2, -5, -10}));
    // A negative balance is carried, never listed as due.
    EXPECT_EQ(report(ReportKind::PaymentsDue, april(1), april(30)).rowCount(), 2u)
        << "header and Total row only";
    const ReportTable both = report(ReportKind::PaymentsDue, march(1), april(30));
    ASSERT_EQ(both.rowCount(), 3u);
    EXPECT_EQ(both.text(1, 0), "1");
    EXPECT_EQ(both.text(1, 1), "2");  // 4 earned, 2 taken back
}

TEST_F(RefundsTest, ActivityAndTheMonthsSalesAreNetOfTheRefundsDatedInThem) {
    test::write_money(state, file::kSales, {{2, 40, april(2)}});
    test::write_refunds(state, {{1, 60, april(10)}});
    Progress none;
    EXPECT_FLOAT_EQ(
        build_activity(state, {march(1), april(30)}, ReferralTree::load(state), none)[3].volume,
        140);

    const ReportTable months = report(ReportKind::ApPerformance, march(1), april(30));
    ASSERT_EQ(months.rowCount(), 4u);
    EXPECT_EQ(months.text(1, 2), "200");  // March as sold
    EXPECT_EQ(months.text(2, 2), "-20");  // April: 40 sold, 60 refunded
}

TEST_F(RefundsTest, DamagedRefundsAreLeftOutWithTheirReason) {
    test::write_refunds(state, {{9, 10, march(20)},
                                {1, std::numeric_limits<float>::quiet_NaN(), march(20)},
                                {1, 500, march(20)},
                                {1, 20, march(20)}});
    {
        std::ofstream tail(state.dataFile(file::kRefunds), std::ios::app | std::ios::binary);
        tail << "abc";
    }
    const CorrectionsInRange found = refunds_in_range(state, {march(1), march(31)}, 3);
    ASSERT_EQ(found.corrections.size(), 1u);
    EXPECT_EQ(found.corrections[0].record, 4);
    EXPECT_EQ(found.notice(),
              "4 corrections of the range are left out: refunds.qdx ends in part of a record (3 "
              "bytes after record 4); refund 1 names sale 9, which sales.qdx does not hold; refund "
              "2 has the sum NaN, not a number above 0; refund 3 takes back more than its sale 1 "
              "holds. qdx-check names every damaged record.");
    const ReportTable accounts = report(ReportKind::Accounts, march(1), march(31));
    EXPECT_EQ(accounts.notice, found.notice());
    EXPECT_EQ(accounts.text(3, 1), "18");
}

TEST_F(RefundsTest, AVoidTakesItsPaymentOffTheRangeItIsDatedSoTheAmountIsDueAgain) {
    test::write_money(state, file::kPayments, {{3, 20, march(31)}});
    const DateRange wholeMarch{march(1), march(31)};
    EXPECT_EQ(account_totals(state, wholeMarch, ReferralTree::load(state), false).paid[3], 20);
    test::write_voids(state, {{1, 20, march(31)}, {7, 5, march(31)}});
    const AccountTotals totals =
        account_totals(state, wholeMarch, ReferralTree::load(state), false);
    EXPECT_EQ(totals.paid[3], 0);
    EXPECT_EQ(totals.notice,
              "1 correction of the range is left out: void 2 names payment 7, which payments.qdx "
              "does not hold. qdx-check names every damaged record.");
    const ReportTable due = report(ReportKind::PaymentsDue, march(1), march(31));
    ASSERT_EQ(due.rowCount(), 5u);  // all three, the minimal payment being 0
    EXPECT_EQ(due.text(3, 1), "20");
    EXPECT_EQ(report(ReportKind::ApPerformance, march(1), march(31)).text(1, 3), "0");
}

// The earnings page lists the refunds of the range below the sales, each
// taking its commission back; the sales are shown as sold. A page whose
// network has no refund in the range is what it was without refunds.
TEST_F(RefundsTest, TheEarningsPageListsTheRefundsOfTheRangeBelowTheSales) {
    test::write_affiliates(state, {affiliate(4, 0, 1, march(1))});
    test::write_money(state, file::kSales, {{4, 100, march(3)}});
    auto pages = [&] {
        make_report(state, {ReportKind::PaymentsDue, {march(1), march(31)}, 0, false, true});
        std::vector<std::string> texts;
        for (const char* name : {" 1.html", " 3.html", " 4.html"})
            texts.push_back(test::read_file(state.appDir / "HTML" / name));
        return texts;
    };
    const std::vector<std::string> before = pages();
    test::write_refunds(state, {{1, 150, april(2)}});  // after the range
    EXPECT_EQ(pages(), before);
    test::write_refunds(state, {{2, 40, march(21)}});  // of 4's sale, outside 1's and 3's network
    std::vector<std::string> after = pages();
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    const std::string head =
        "<tr> <th>Refunded on</th><th>ID   </th><th>Sub level</th><th>Refund   </th>"
        "<th>Taken back</th></tr>\r\n";
    EXPECT_NE(after[2].find(" is 6\r\n"), std::string::npos) << after[2];
    EXPECT_TRUE(after[2].ends_with(
        "<tr><td>4</td><td>0</td><td>100</td><td>10</td><td>10</td></tr>\r\n" + head +
        "<tr><td>21/03/2003</td><td>4</td><td>0</td><td>40</td><td>-4</td></tr>\r\n</body></"
        "html>\r\n"))
        << after[2];

    state.regional.shortDateFormat = "dd<MM>yyyy";  // a date pattern that is markup
    test::write_refunds(state, {{1, 50, march(20)}});
    after = pages();
    // Affiliate 1: 2 % of 200 earned two levels down, 2 % of 50 taken back.
    EXPECT_NE(after[0].find(" is 3\r\n"), std::string::npos) << after[0];
    EXPECT_TRUE(after[0].ends_with(
        "<tr><td>3</td><td>2</td><td>200</td><td>2</td><td>4</td></tr>\r\n" + head +
        "<tr><td>20&lt;03&gt;2003</td><td>3</td><td>2</td><td>50</td>"
        "<td>-1</td></tr>\r\n</body></html>\r\n"))
        << after[0];
    // The seller: its own sale as sold, 10 % of 50 back; 4's refund is not on its page.
    EXPECT_NE(after[1].find("<tr><td>3</td><td>0</td><td>200</td><td>10</td><td>20</td></tr>"),
              std::string::npos)
        << after[1];
    EXPECT_NE(after[1].find("<td>3</td><td>0</td><td>50</td><td>-5</td></tr>\r\n</body>"),
              std::string::npos)
        << after[1];
}

// An independent model of the walk: each sale then each refund in record
// order, the reward of each level added in double and kept in float.
std::vector<float> model(const std::vector<int32_t>& referrer,
                         const std::vector<MoneyRecord>& sales,
                         const std::vector<RefundRecord>& refunds, const Settings& s, double from,
                         double to, int32_t hold) {
    const int32_t n = static_cast<int32_t>(referrer.size()) - 1;
    std::vector<float> income(referrer.size(), 0);
    auto credit = [&](int32_t seller, auto reward) {
        int32_t b = seller;
        for (int level = 1; level <= 8 && b >= 1 && b <= n; ++level, b = referrer[b])
            income[b] = static_cast<float>(double(income[b]) + double(reward(level)));
    };
    for (const MoneyRecord& sale : sales)
        if (from <= sale.date + hold && sale.date + hold <= to && sale.affiliateId >= 1 &&
            sale.affiliateId <= n)
            credit(sale.affiliateId, [&](int level) {
                const double r = s.rewards[level];
                return s.payType == 1 ? static_cast<float>(r * sale.sum / 100) : float(r);
            });
    for (const RefundRecord& refund : refunds) {
        const MoneyRecord& sale = sales[static_cast<size_t>(refund.sale - 1)];
        // Under a hold a refund counts once its sale is payable.
        const double counted = std::max(refund.date, sale.date + hold);
        if (from <= counted && counted <= to)
            credit(sale.affiliateId, [&](int level) {
                const double r = s.rewards[level];
                return -(s.payType == 1 ? static_cast<float>(r * refund.sum / 100)
                                        : static_cast<float>(r * refund.sum / sale.sum));
            });
    }
    return income;
}

TEST(RefundsModel, TheReportsAgreeWithAnIndependentModelOnRandomForests) {
    std::mt19937 rng(11);
    for (int round = 0; round < 8; ++round) {
        test::TempFolder dir;
        AppState state(dir.path());
        const int n = 2 + static_cast<int>(rng() % 40);
        std::vector<AffiliateRecord> affiliates;
        std::vector<int32_t> referrer{0};
        for (int k = 1; k <= n; ++k) {
            referrer.push_back(static_cast<int32_t>(rng() % static_cast<unsigned>(k)));
            affiliates.push_back(affiliate(k, referrer.back(), 1, 37000));
        }
        std::vector<MoneyRecord> sales;
        std::vector<RefundRecord> refunds;
        const bool everything = round % 4 == 3;  // every sale refunded in full in its range
        for (int i = 1; i <= 300; ++i) {
            const float sum = 1 + static_cast<float>(rng() % 100000) / 13.0f;
            const double date = 37000.0 + rng() % 60;
            sales.push_back(
                {1 + static_cast<int32_t>(rng() % static_cast<unsigned>(n)), sum, date});
            if (everything) {
                refunds.push_back({i, sum, date + rng() % 3});
            } else if (rng() % 3 == 0) {
                const float part = sum * static_cast<float>(1 + rng() % 4) / 4.0f;
                refunds.push_back({i, part, date + rng() % 20});
            }
        }
        test::write_affiliates(state, affiliates);
        test::write_money(state, file::kSales, sales);
        test::write_refunds(state, refunds);
        test::write_settings(state, test::settings(round % 2 ? "Fixed" : "Percents",
                                                   {12.5f, 5.1f, 3.3f, 2, 1.7f, 0, 0.3f, 0.1f}));
        load_settings(state);
        const DateRange range = everything ? DateRange{36990, 37100} : DateRange{37010, 37050};
        // Some rounds hold the commissions 9 days: the sales of 9 days earlier, the
        // refunds once their sale is payable.
        const int32_t hold = round % 3 == 1 ? 9 : 0;
        const std::vector<float> expected =
            model(referrer, sales, refunds, state.settings, range.from, range.to, hold);
        Progress none;
        const AccountTotals totals =
            account_totals(state, range, ReferralTree::load(state), false, none, hold);
        for (int k = 1; k <= n; ++k) {
            EXPECT_EQ(totals.income[static_cast<size_t>(k)], expected[static_cast<size_t>(k)])
                << "round " << round << " affiliate " << k;
            if (everything) {
                EXPECT_NEAR(expected[static_cast<size_t>(k)], 0, 0.05) << "round " << round;
            }
        }
    }
}

}  // namespace
}  // namespace qdx
