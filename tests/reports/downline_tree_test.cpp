// The downline tree: children, downline sizes and paths against walks of
// the file's own referrers, the money against the commissions' working
// file, damaged trees, and finding affiliates by name.
#include "reports/downline_tree.h"

#include <gtest/gtest.h>

#include <map>

#include "core/accounts.h"
#include "core/demo_program.h"
#include "core/ole_date.h"
#include "core/records.h"
#include "core/settings.h"
#include "core/tree.h"
#include "support/test_support.h"

namespace qdx {
namespace {

using test::affiliate;

// Everyone below `id` by following each affiliate's referrer up, the slow way.
int64_t count_below(const std::vector<AffiliateRecord>& all, int32_t id) {
    int64_t below = 0;
    for (const AffiliateRecord& a : all) {
        int32_t up = a.referrerId;
        for (size_t steps = 0; up != 0 && steps < all.size(); ++steps) {
            if (up == id) {
                ++below;
                break;
            }
            up = up >= 1 && up <= static_cast<int32_t>(all.size()) ? all[up - 1].referrerId : 0;
        }
        if (id == 0 && up == 0) ++below;
    }
    return below;
}

TEST(DownlineTree, MatchesTheReferralsSizesPathsAndMoneyOfADemoProgram) {
    test::TempFolder app;
    write_demo_program(app.path(), {3, 2500, ole_from_ymd(2025, 12, 5)});
    AppState state(app.path());
    load_settings(state);
    const DateRange range{ole_from_ymd(2025, 6, 1), ole_from_ymd(2025, 11, 30)};
    const DownlineTree tree = DownlineTree::load(state);

    const auto all = test::read_records<AffiliateRecord>(state.dataFile(file::kAffiliates));
    ASSERT_EQ(tree.count(), 2500);

    std::map<int32_t, std::vector<int32_t>> referrals;
    for (const AffiliateRecord& a : all) referrals[a.referrerId].push_back(a.id);
    for (int32_t id = 0; id <= tree.count(); ++id) {
        const auto children = tree.children(id);
        EXPECT_EQ(std::vector<int32_t>(children.begin(), children.end()), referrals[id]) << id;
        EXPECT_EQ(tree.below(id), count_below(all, id)) << id;
    }
    EXPECT_EQ(tree.below(0), 2500);

    // A path runs down the referrers from the top of the tree shown.
    for (int32_t id = 1; id <= tree.count(); ++id) {
        const std::vector<int32_t> path = tree.path_to(0, id);
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(all[path.front() - 1].referrerId, 0);
        for (size_t i = 1; i < path.size(); ++i) {
            EXPECT_EQ(all[path[i] - 1].referrerId, path[i - 1]);
            EXPECT_EQ(path[i], tree.children(path[i - 1])[tree.rowOf(path[i - 1], path[i])]);
        }
        EXPECT_EQ(path.back(), id);
        const int32_t top = path.front();
        EXPECT_EQ(tree.path_to(top, id).size(), path.size());
        for (int32_t other : tree.children(0)) {
            if (other == top) continue;
            EXPECT_TRUE(tree.path_to(other, id).empty());
        }
    }

    // The income is the Accounts' income; the sales the Activities' volume.
    build_accounts(state, range);
    build_activity(state, range);
    const DownlineMoney money = downline_money(state, range, tree.tree());
    RecordFile accounts(state.workFile(file::kAccounts), AccountRecord::kSize);
    RecordFile activity(state.workFile(file::kActivity), ActivityRecord::kSize);
    int earning = 0;
    for (int32_t id = 1; id <= tree.count(); ++id) {
        EXPECT_EQ(money.incomeOf(id), accounts.read<AccountRecord>(id).income) << id;
        EXPECT_EQ(money.salesOf(id), activity.read<ActivityRecord>(id).volume) << id;
        earning += money.incomeOf(id) > 0;
    }
    EXPECT_GT(earning, 50);
}

// Hand-typed damage: a referral cycle with a referral hanging from it, and a
// referrer not on file. The counts stay finite and the paths bounded.
TEST(DownlineTree, CyclesAndStrayReferrersStayBounded) {
    test::TempFolder app;
    AppState state(app.path());
    test::write_affiliates(
        state, {affiliate(1, 0, 1, 37000), affiliate(2, 3, 2, 37000), affiliate(3, 2, 2, 37000),
                affiliate(4, 3, 3, 37000), affiliate(5, 99, 2, 37000), affiliate(6, 1, 2, 37000)});
    const DownlineTree tree = DownlineTree::load(state);
    EXPECT_EQ(tree.below(0), 2);  // 1 and 6
    EXPECT_EQ(tree.below(1), 1);
    EXPECT_EQ(tree.below(2), 2);  // 3, and 4 through it
    EXPECT_EQ(tree.below(3), 2);
    EXPECT_EQ(tree.below(4), 0);
    EXPECT_EQ(tree.below(5), 0);
    EXPECT_TRUE(tree.path_to(0, 4).empty());
    EXPECT_TRUE(tree.path_to(0, 5).empty());
    EXPECT_EQ(tree.path_to(2, 4), (std::vector<int32_t>{2, 3, 4}));
    EXPECT_EQ(tree.path_to(0, 6), (std::vector<int32_t>{1, 6}));
    EXPECT_TRUE(tree.path_to(1, 4).empty());
    EXPECT_TRUE(tree.path_to(0, 7).empty());
    EXPECT_EQ(tree.rowOf(1, 6), 0);
    EXPECT_EQ(tree.rowOf(1, 5), -1);
}

TEST(DownlineTree, FindsAffiliatesByNameSurnameOrBoth) {
    test::TempFolder app;
    AppState state(app.path());
    auto named = [](int32_t id, const std::string& name, const std::string& surname) {
        AffiliateRecord a = affiliate(id, 0, 1, 37000, name);
        a.surname = surname;
        return a;
    };
    test::write_affiliates(state, {named(1, "Ann", "Lee"), named(2, "Anna", "Ann"),
                                   named(3, "ANN", "Smith"), named(4, "Bob", "Lee")});
    RecordFile file(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    EXPECT_EQ(find_affiliates_by_name(file, "  ann "), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(find_affiliates_by_name(file, "lee"), (std::vector<int32_t>{1, 4}));
    EXPECT_EQ(find_affiliates_by_name(file, "ann  lee"), (std::vector<int32_t>{1}));
    EXPECT_EQ(find_affiliates_by_name(file, "ann smith"), (std::vector<int32_t>{3}));
    EXPECT_TRUE(find_affiliates_by_name(file, "an").empty());
    EXPECT_TRUE(find_affiliates_by_name(file, " ").empty());
}

}  // namespace
}  // namespace qdx
