#include "core/demo_program.h"

#include <gtest/gtest.h>

#include <map>

#include "core/corrections.h"
#include "core/files.h"
#include "core/ole_date.h"
#include "core/payment_runs.h"
#include "core/records.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

const double kLastDay = ole_from_ymd(2025, 12, 5);

// For every seed: the same files again, and a network where each affiliate
// joins after its referrer, one level below it, four or five deep.
TEST(Demo, EverySeedGivesTheSameConsistentNetworkAgain) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        test::TempFolder app, again;
        write_demo_program(app.path(), {seed, 40, kLastDay});
        write_demo_program(again.path(), {seed, 40, kLastDay});
        EXPECT_EQ(test::files_under(app.path()), test::files_under(again.path()));
        auto affiliates =
            test::read_records<AffiliateRecord>(app.path() / "data" / "affiliates.qdx");
        int deepest = 0;
        for (const AffiliateRecord& a : affiliates) {
            ASSERT_GE(a.referrerId, 0);
            ASSERT_LT(a.referrerId, a.id);
            const AffiliateRecord* up =
                a.referrerId ? &affiliates[static_cast<size_t>(a.referrerId - 1)] : nullptr;
            EXPECT_EQ(a.level, up ? up->level + 1 : 1) << a.id;
            EXPECT_GE(a.date, up ? up->date : 0);
            EXPECT_LE(a.date, kLastDay);
            deepest = std::max(deepest, static_cast<int>(a.level));
        }
        EXPECT_GE(deepest, 4);
        EXPECT_LE(deepest, 5);
        // A few refunds, each of a sale on file, at most its sum, not before it.
        const auto sales = test::read_records<MoneyRecord>(app.path() / "data" / "sales.qdx");
        const auto refunds = test::read_records<RefundRecord>(app.path() / "data" / "refunds.qdx");
        EXPECT_EQ(refunds.size(), 3u);
        for (const RefundRecord& r : refunds) {
            ASSERT_GE(r.sale, 1);
            ASSERT_LE(r.sale, static_cast<int32_t>(sales.size()));
            const MoneyRecord& sale = sales[static_cast<size_t>(r.sale - 1)];
            EXPECT_GT(r.sum, 0);
            EXPECT_LE(r.sum, sale.sum);
            EXPECT_GE(r.date, sale.date);
            EXPECT_LE(r.date, kLastDay);
        }
        // Each monthly payout is a run; the last is reversed, payment by payment.
        const auto runs = read_payment_runs(app.path() / "data");
        const auto payments = test::read_records<MoneyRecord>(app.path() / "data" / "payments.qdx");
        const auto voids = test::read_records<VoidRecord>(app.path() / "data" / "voids.qdx");
        ASSERT_GE(runs.size(), 6u);
        EXPECT_EQ(runs.front().first, 1);
        EXPECT_EQ(runs.back().last, static_cast<int64_t>(payments.size()));
        for (size_t i = 0; i + 1 < runs.size(); ++i) {
            EXPECT_EQ(runs[i + 1].first, runs[i].last + 1);
            EXPECT_EQ(runs[i + 1].from, runs[i].to + 1);
            EXPECT_FALSE(runs[i].reversal);
        }
        ASSERT_TRUE(runs.back().reversal);
        ASSERT_EQ(static_cast<int64_t>(voids.size()), runs.back().count);
        for (size_t i = 0; i < voids.size(); ++i) {
            const MoneyRecord& paid = payments[static_cast<size_t>(runs.back().first) + i - 1];
            EXPECT_EQ(voids[i].sum, paid.sum);
            EXPECT_GE(voids[i].date, paid.date);
        }
    }
}

// Beyond the detailed size the records are written in bulk.
TEST(Demo, LargeDemosAreWrittenInBulk) {
    test::TempFolder app;
    const int32_t n = kLargestDetailedDemo + 1000;
    DemoSummary made = write_demo_program(app.path(), {3, n, kLastDay});
    EXPECT_EQ(made.affiliates, n);
    auto affiliates = test::read_records<AffiliateRecord>(app.path() / "data" / "affiliates.qdx");
    ASSERT_EQ(static_cast<int32_t>(affiliates.size()), n);
    EXPECT_LE(affiliates.back().date, kLastDay);
}

}  // namespace
}  // namespace qdx
