#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "core/accounts.h"
#include "core/corrections.h"
#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/settings.h"
#include "core/tree.h"
#include "support/test_support.h"

namespace qdx {
namespace {

using test::affiliate;

double march(int day) { return ole_from_ymd(2003, 3, day); }

// Affiliates 1 (root), 2 (referred by 1), 3 (referred by 2).
class Worked : public ::testing::Test {
  protected:
    void SetUp() override {
        range = {march(1), march(31)};
        test::write_affiliates(state, {affiliate(1, 0, 1, ole_from_ymd(2003, 2, 1)),
                                       affiliate(2, 1, 2, march(5)), affiliate(3, 2, 3, march(5))});
    }
    std::vector<AccountRecord> accounts() {
        return test::read_records<AccountRecord>(state.workFile(file::kAccounts));
    }
    void use_settings(const SettingsRecord& s) {
        test::write_settings(state, s);
        load_settings(state);
    }
    test::TempFolder dir;
    AppState state{dir.path()};
    DateRange range;
};

TEST_F(Worked, SettingsLoadAndLevelsInUse) {
    load_settings(state);  // no file yet
    EXPECT_EQ(state.settings.payType, 0);
    EXPECT_EQ(state.settings.levelsInUse, 0);
    use_settings(test::settings("Percents", {10, 5, 0, 2}));
    EXPECT_EQ(state.settings.payType, 1);
    EXPECT_EQ(state.settings.levelsInUse, 4);
    use_settings(test::settings("Fixed   ", {0.5f}));
    use_settings(test::settings("Other", {0, 0}));
    EXPECT_EQ(state.settings.payType, 2);  // unknown Type keeps the earlier value
    EXPECT_EQ(state.settings.levelsInUse, 1);
}

TEST_F(Worked, BadIdsAreSkippedAndStaleRecordsKept) {
    use_settings(test::settings("Percents", {10}));
    test::write_money(state, file::kSales,
                      {MoneyRecord{0, 100, march(2)}, MoneyRecord{-4, 100, march(2)},
                       MoneyRecord{9, 100, march(2)}, MoneyRecord{1, 100, march(2)}});
    {
        RecordFile f(state.workFile(file::kAccounts), AccountRecord::kSize);
        f.write(5, AccountRecord{7, 7});  // left from a larger earlier run
    }
    build_accounts(state, range);
    auto a = accounts();
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a[0].income, 10);
    EXPECT_EQ(a[4].income, 7);  // above n: untouched
}

TEST(Tree, CycleEndsAfterTheBoundedWalk) {
    test::TempFolder dir;
    AppState state(dir.path());
    test::write_affiliates(state, {affiliate(1, 2, 1, 0), affiliate(2, 1, 2, 0)});
    state.settings.levelsInUse = 8;
    EXPECT_EQ(sub_level(state, 3, 1), 0);
    test::write_settings(state, test::settings("Fixed", {1, 1, 1, 1, 1, 1, 1, 1}));
    load_settings(state);
    test::write_money(state, file::kSales, {MoneyRecord{1, 1, 5}});
    build_accounts(state, {0, 1e6});
    RecordFile f(state.workFile(file::kAccounts), AccountRecord::kSize);
    EXPECT_EQ(f.read<AccountRecord>(1).income, 4);  // levels 1, 3, 5, 7
    EXPECT_EQ(f.read<AccountRecord>(2).income, 4);
}

// The in-memory computations write exactly the bytes of the record-by-record
// procedure, on random forests with cycles and bad IDs.
TEST(Computation, FastMatchesLiteralByteForByte) {
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round) {
        test::TempFolder a, b;
        AppState fast(a.path()), literal(b.path());
        int n = 1 + static_cast<int>(rng() % 60);
        std::vector<AffiliateRecord> affiliates;
        for (int k = 1; k <= n; ++k) {
            int r = static_cast<int>(rng() % (k + 2));  // sometimes a cycle or a forward ID
            if (rng() % 7 == 0) r = 0;
            affiliates.push_back(affiliate(k, r, 1, 37000 + rng() % 60));
        }
        std::vector<MoneyRecord> sales, payments;
        for (int i = 0; i < 400; ++i) {
            int id = static_cast<int>(rng() % (n + 3)) - 1;
            float sum = static_cast<float>(rng() % 100000) / 7.0f;
            sales.push_back({id, sum, 37000.0 + rng() % 60});
            if (i % 3 == 0) payments.push_back({id, sum / 3, 37000.0 + rng() % 60});
        }
        // Refunds of some sales, a damaged one among them.
        std::vector<RefundRecord> refunds;
        for (int i = 1; i <= 400; i += 1 + static_cast<int>(rng() % 9))
            refunds.push_back({i, sales[static_cast<size_t>(i - 1)].sum / 2, 37000.0 + rng() % 60});
        refunds.push_back({9999, 1, 37020});
        sales.push_back({1, std::numeric_limits<float>::quiet_NaN(), 37020});
        sales.push_back({1, -250.5f, 37021});
        std::vector<float> rewards = {12.5f, 5.1f, 3.3f, 2, 1.7f, 0, 0.3f, 0.1f};
        if (round % 3 == 2) rewards = {10, 0, 4, 0, 0, 0, 0, 0};  // the walk may stop early
        auto s = test::settings(round % 2 ? "Fixed" : "Percents", rewards);
        for (AppState* st : {&fast, &literal}) {
            test::write_affiliates(*st, affiliates);
            test::write_money(*st, file::kSales, sales);
            test::write_money(*st, file::kPayments, payments);
            if (round % 2 == 1) test::write_refunds(*st, refunds);
            test::write_settings(*st, s);
            load_settings(*st);
        }
        const DateRange range{37010, 37050};
        // The later rounds hold the commissions 11 days: the sales of
        // 36999..37039 and the refunds once their sale is payable, against the
        // payments of 37010..37050.
        const int32_t hold = round >= 3 ? 11 : 0;
        Progress none;
        build_accounts(fast, range, none, hold);
        build_activity(fast, range);
        build_accounts_literal(literal, range, hold);
        build_activity_literal(literal, range);
        for (const char* name : {file::kAccounts, file::kActivity})
            EXPECT_EQ(test::read_file(fast.workFile(name)), test::read_file(literal.workFile(name)))
                << name << " round " << round;
    }
}

// Ten million sales on 300,000 affiliates: many windows of sales read and
// dealt on every core, accounts in several bands. Each account must still
// get its additions in record order, as the plain walk up the tree adds them.
TEST(Computation, ParallelWalkMatchesThePlainWalkOnTenMillionSales) {
    std::mt19937 rng(11);
    test::TempFolder dir;
    AppState state(dir.path());
    const int32_t n = 300000;
    std::vector<AffiliateRecord> affiliates;
    affiliates.reserve(n);
    for (int32_t k = 1; k <= n; ++k) {
        auto r = static_cast<int32_t>(rng() % static_cast<uint32_t>(k));
        if (rng() % 50 == 0)
            r = static_cast<int32_t>(rng() % (n + 5));  // forward, cycles, off file
        affiliates.push_back(affiliate(k, r, 1, 37000));
    }
    std::vector<MoneyRecord> sales(10000000);
    for (MoneyRecord& sale : sales)
        sale = {static_cast<int32_t>(rng() % (n + 3)) - 1,
                static_cast<float>(rng() % 1000000) / 100.0f, 37000.0 + rng() % 60};
    const DateRange range{37010, 37050};
    std::vector<RefundRecord> refunds;
    for (size_t i = 0; i < sales.size(); i += 97) {
        const MoneyRecord& sale = sales[i];
        if (sale.affiliateId >= 1 && sale.affiliateId <= n && range.contains(sale.date))
            refunds.push_back({static_cast<int32_t>(i + 1), sale.sum / 2, 37050});
    }
    test::write_affiliates(state, affiliates);
    test::write_money(state, file::kSales, sales);
    test::write_refunds(state, refunds);
    test::write_settings(state,
                         test::settings("Percents", {12.5f, 5.1f, 3.3f, 2, 1.7f, 1, 0.3f, 0.1f}));
    load_settings(state);

    const ReferralTree tree = ReferralTree::load(state);
    std::vector<float> income(n + 1, 0.0f), own(n + 1, 0.0f);
    auto walk = [&](int32_t seller, auto credit) {
        int32_t a = seller;
        for (int level = 1; level <= 8 && tree.contains(a); ++level, a = tree.referrerOf(a))
            credit(a, level);
    };
    for (const MoneyRecord& sale : sales) {
        if (!range.contains(sale.date) || !tree.contains(sale.affiliateId)) continue;
        own[sale.affiliateId] = add_single(own[sale.affiliateId], sale.sum);
        walk(sale.affiliateId, [&](int32_t a, int level) {
            income[a] = add_single(income[a], level_reward(state.settings, level, sale.sum));
        });
    }
    for (const RefundRecord& refund : refunds) {
        const MoneyRecord& sale = sales[static_cast<size_t>(refund.sale - 1)];
        own[sale.affiliateId] = add_single(own[sale.affiliateId], -refund.sum);
        walk(sale.affiliateId, [&](int32_t a, int level) {
            income[a] =
                add_single(income[a], -refund_reward(state.settings, level, refund.sum, sale.sum));
        });
    }
    const AccountTotals totals = account_totals(state, range, tree, true);
    EXPECT_TRUE(totals.income == income);
    EXPECT_TRUE(totals.ownSales == own);
    EXPECT_EQ(totals.notice, "");
    const std::vector<ActivityRecord> activity = build_activity(state, range);
    std::vector<float> volumes;
    for (const ActivityRecord& a : activity) volumes.push_back(a.volume);
    EXPECT_TRUE(volumes == own);
}

}  // namespace
}  // namespace qdx
