// The activities, income structure, network and downline reports on small
// hand-made programs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/accounts.h"
#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/settings.h"
#include "core/text_field.h"
#include "core/tree.h"
#include "reports/report_asking.h"
#include "reports/reports.h"
#include "support/test_support.h"

namespace qdx {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using test::affiliate;

double march(int day) { return ole_from_ymd(2003, 3, day); }

class NetworkReportsTest : public ::testing::Test {
  protected:
    NetworkReportsTest() : state(folder.path()) {}
    void useSettings(const std::string& type, std::vector<float> levels) {
        test::write_settings(state, test::settings(type, std::move(levels)));
        load_settings(state);
    }
    void sale(int32_t id, float sum, double date = march(15)) {
        test::write_money(state, file::kSales, {{id, sum, date}});
    }
    // Rows without the header, the columns of interest only.
    static Rows body(const ReportTable& t, size_t columns) {
        Rows rows;
        for (size_t r = 1; r < t.rowCount(); ++r) {
            std::vector<std::string> row = t.rowTexts(r);
            row.resize(columns);
            rows.push_back(std::move(row));
        }
        return rows;
    }

    test::TempFolder folder;
    AppState state;
    DateRange range{march(1), march(31)};
};

// 1 (root, February) <- 2 (on the first day) <- 3 (on the last); 4 under 1 in April.
class ActivitiesTest : public NetworkReportsTest {
  protected:
    ActivitiesTest() {
        test::write_affiliates(
            state, {affiliate(1, 0, 1, ole_from_ymd(2003, 2, 1)), affiliate(2, 1, 2, march(1)),
                    affiliate(3, 2, 3, march(31)), affiliate(4, 1, 2, ole_from_ymd(2003, 4, 1))});
        useSettings("Percents", {10, 5, 2});
        sale(3, 200);
        sale(4, 50, ole_from_ymd(2003, 4, 2));
    }
};

TEST_F(ActivitiesTest, ListsSellersAndRecruitersWithTheirReferralsOnTheRangesEnds) {
    ReportTable t = ask(state, range, ReportKind::Activities, 0, false);
    EXPECT_EQ(body(t, 4), (Rows{{"1", "1", "1", "0"},
                                {"2", "2", "1", "0"},
                                {"3", "3", "0", "200"},
                                {" Total", "", "2", "200"}}));
    EXPECT_FALSE(file_exists(state.workFile(file::kActivity)));
}

TEST_F(ActivitiesTest, StaleRecordsBeyondTheAffiliatesAreNotListed) {
    auto leaveStaleActivity = [&] {
        RecordFile stale(state.workFile(file::kActivity), ActivityRecord::kSize);
        for (int64_t k = 1; k <= 6; ++k) stale.write(k, ActivityRecord{50, 1});
    };
    leaveStaleActivity();
    EXPECT_EQ(body(ask(state, range, ReportKind::Activities, 0, false), 1),
              (Rows{{"1"}, {"2"}, {"3"}, {" Total"}}));
    leaveStaleActivity();
    // Record 5 would rank as a root of the whole network.
    EXPECT_EQ(body(ask(state, range, ReportKind::IncomeStructure, 0, false), 1),
              (Rows{{" Total"}}));
}

// An ID's activities are the whole network's rows of the affiliates that
// rank under it by the walk up the referrers, on random forests with
// cycles, forward IDs and referrers that are not on file, with the referrals
// read from the affiliates file and from their index.
TEST_F(NetworkReportsTest, AnIdListsTheRowsOfItsNetworkByTheWalkUp) {
    std::mt19937 rng(11);
    for (int round = 0; round < 4; ++round) {
        const int n = 20 + static_cast<int>(rng() % 40);
        std::vector<AffiliateRecord> affiliates;
        for (int k = 1; k <= n; ++k) {
            int r =
                static_cast<int>(rng() % static_cast<unsigned>(k + 3));  // may be ahead or off file
            if (rng() % 6 == 0) r = 0;
            affiliates.push_back(
                affiliate(k, r, 1 + k % 5, march(1 + static_cast<int>(rng() % 40))));
        }
        remove_if_exists(state.dataFile(file::kAffiliates));
        remove_if_exists(state.dataFile(file::kSales));
        test::write_affiliates(state, affiliates);
        for (int i = 0; i < 80; ++i)
            sale(static_cast<int32_t>(rng() % static_cast<unsigned>(n + 2)),
                 static_cast<float>(rng() % 1000) / 4, march(static_cast<int>(rng() % 40)));
        useSettings("Percents",
                    round % 2 ? std::vector<float>{10, 5} : std::vector<float>{10, 5, 3, 2, 1});
        if (round >= 2)  // still long enough for the referrals to be indexed
            std::filesystem::last_write_time(
                state.dataFile(file::kAffiliates),
                std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
        const Rows all = body(ask(state, range, ReportKind::Activities, 0, false), 4);
        for (int32_t id = 1; id <= n + 2; ++id) {
            Rows expected;
            for (size_t r = 0; r + 1 < all.size(); ++r)
                if (sub_level(state, id, std::stoi(all[r][0])) != 0) expected.push_back(all[r]);
            Rows got = body(ask(state, range, ReportKind::Activities, id, false), 4);
            got.pop_back();  // the Total row
            EXPECT_EQ(got, expected) << "round " << round << " ID " << id;
        }
    }
}

// Income structure leaves the activity file as build_activity and the
// marking by sub_level leave it, for every ID, whether the referrals are read
// from the affiliates file or from the index saved beside it once the file
// has been still; the rows are the marked records with volume above zero.
TEST_F(NetworkReportsTest, IncomeStructureLeavesTheActivityFileMarked) {
    std::mt19937 rng(3);
    const int n = 40;
    std::vector<AffiliateRecord> affiliates;
    for (int k = 1; k <= n; ++k) {
        int r = static_cast<int>(rng() % static_cast<unsigned>(n + 3));
        if (rng() % 5 == 0) r = 0;
        affiliates.push_back(affiliate(k, r, 1 + k % 5, march(1 + static_cast<int>(rng() % 40))));
    }
    test::write_affiliates(state, affiliates);
    for (int i = 0; i < 120; ++i)
        sale(static_cast<int32_t>(rng() % static_cast<unsigned>(n + 2)),
             static_cast<float>(static_cast<int>(rng() % 1000) - 100) / 4,
             march(static_cast<int>(rng() % 40)));
    useSettings("Percents", {10, 5, 3});
    for (bool aged : {false, true}) {
        if (aged)
            std::filesystem::last_write_time(
                state.dataFile(file::kAffiliates),
                std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
        for (int32_t id = 1; id <= n; ++id) {
            // A stale record beyond the affiliates stays as it is.
            RecordFile(state.workFile(file::kActivity), ActivityRecord::kSize)
                .write(n + 1, ActivityRecord{7, 7});
            const Rows rows = body(ask(state, range, ReportKind::IncomeStructure, id, false), 2);
            const std::string left = test::read_file(state.workFile(file::kActivity));
            build_activity_literal(state, range);
            Rows expected;
            {
                RecordFile activity(state.workFile(file::kActivity), ActivityRecord::kSize);
                for (int32_t k = 1; k <= n; ++k) {
                    ActivityRecord a = activity.read<ActivityRecord>(k);
                    if (a.volume <= 0) continue;
                    a.newReferrals = sub_level(state, id, k);
                    activity.write(k, a);
                    if (a.newReferrals != 0)
                        expected.push_back({std::to_string(k), std::to_string(a.newReferrals - 1)});
                }
            }
            expected.push_back({" Total", ""});
            EXPECT_EQ(left, test::read_file(state.workFile(file::kActivity))) << "ID " << id;
            EXPECT_EQ(rows, expected) << "ID " << id;
        }
    }
    EXPECT_TRUE(std::filesystem::exists(state.dataFile("referrals.idx")));
}

// A chain 1 <- 2 <- 3 <- 4, with 5 under 1 selling nothing.
class IncomeStructureTest : public NetworkReportsTest {
  protected:
    IncomeStructureTest() {
        test::write_affiliates(state, {affiliate(1, 0, 1, march(1)), affiliate(2, 1, 2, march(1)),
                                       affiliate(3, 2, 3, march(1)), affiliate(4, 3, 4, march(1)),
                                       affiliate(5, 1, 2, march(1))});
        sale(2, 200);
        sale(1, 100);
        sale(3, 300.5f);
        sale(4, 400);
    }
};

TEST_F(NetworkReportsTest, IncomeJustAboveTheHalfRoundsUp) {
    // The products are 23.750500000000002 and 0.48450000000000004 as doubles.
    test::write_affiliates(state, {affiliate(1, 0, 1, march(1)), affiliate(2, 1, 2, march(1))});
    useSettings("Percents", {2.5f, 15});
    sale(1, 950.02f);
    sale(2, 3.23f);
    EXPECT_EQ(body(ask(state, range, ReportKind::IncomeStructure, 1, false), 5),
              (Rows{{"1", "0", "950.02", "2.5", "23.751"},
                    {"2", "1", "3.23", "15", "0.485"},
                    {" Total", "", "953.25", "", "24.236"}}));
}

TEST_F(IncomeStructureTest, WholeNetworkRanksRootsAsLevelTwo) {
    useSettings("Percents", {10, 5, 2});
    EXPECT_EQ(body(ask(state, range, ReportKind::IncomeStructure, 0, false), 2),
              (Rows{{"1", "1"}, {"2", "2"}, {" Total", ""}}));
}

TEST_F(IncomeStructureTest, LevelsInUseFollowTheRewardsUnlessNoneIsPositive) {
    useSettings("Percents", {10, 5});
    state.settings.levelsInUse = 6;
    EXPECT_EQ(body(ask(state, range, ReportKind::IncomeStructure, 1, false), 1),
              (Rows{{"1"}, {"2"}, {" Total"}}));
    EXPECT_EQ(state.settings.levelsInUse, 6);  // the shared settings stay as they are
    state.settings.rewards = {};
    EXPECT_EQ(body(ask(state, range, ReportKind::IncomeStructure, 1, false), 1),
              (Rows{{"1"}, {"2"}, {"3"}, {"4"}, {" Total"}}));
}

TEST_F(IncomeStructureTest, FullFormSortsDataRowsBySalesAndKeepsTheTotalLast) {
    useSettings("Percents", {10, 5, 2, 1});
    sale(1, 500);
    ReportTable t = ask(state, range, ReportKind::IncomeStructure, 1, true);
    ASSERT_EQ(t.columnCount(), 15u);
    EXPECT_EQ(body(t, 3), (Rows{{"2", "1", "200"},
                                {"3", "2", "300.5"},
                                {"4", "3", "400"},
                                {"1", "0", "600"},
                                {" Total", "", "1500.5"}}));
    EXPECT_EQ(t.text(3, 14), "4");  // the details moved with their row
}

// Levels: 1 and 6 at the top; 1 <- 2 <- 3 <- 4 <- 5; 7 under 2.
class NetworkTest : public NetworkReportsTest {
  protected:
    void chain() {
        test::write_affiliates(
            state, {affiliate(1, 0, 1, march(1)), affiliate(2, 1, 2, ole_from_ymd(2003, 2, 1)),
                    affiliate(3, 2, 3, march(31)), affiliate(4, 3, 4, ole_from_ymd(2003, 4, 1)),
                    affiliate(5, 4, 5, march(2)), affiliate(6, 0, 1, march(2)),
                    affiliate(7, 2, 3, march(3))});
    }
};

TEST_F(NetworkTest, OnlyTopLevelAffiliatesGiveTwoRows) {
    test::write_affiliates(state, {affiliate(1, 0, 1, march(1)), affiliate(2, 0, 1, march(31)),
                                   affiliate(3, 0, 1, ole_from_ymd(2003, 4, 1))});
    EXPECT_EQ(body(ask(state, range, ReportKind::Network, 0), 3),
              (Rows{{"1", "3", "2"}, {"2", "0", "0"}, {" Total", "3", "2"}}));
}

TEST_F(NetworkTest, LevelThreeAffiliateShowsItsUplineIds) {
    chain();
    useSettings("Percents", {10, 5});
    state.settings.levelsInUse = 7;
    EXPECT_EQ(body(ask(state, range, ReportKind::Network, 3), 4), (Rows{{"1", "0", "0", "1"},
                                                                        {"2", "0", "0", "2"},
                                                                        {"3", "0", "0", "3"},
                                                                        {"4", "1", "0", ""},
                                                                        {"5", "1", "1", ""},
                                                                        {" Total", "2", "1", ""}}));
    EXPECT_EQ(state.settings.levelsInUse, 7);  // the report does not change it
}

TEST_F(NetworkTest, NoRewardListsOnlyTheUpline) {
    chain();
    EXPECT_EQ(body(ask(state, range, ReportKind::Network, 2), 4),
              (Rows{{"1", "0", "0", "1"}, {"2", "0", "0", "2"}, {" Total", "0", "0", ""}}));
}

TEST_F(NetworkTest, BrokenReferrerChainIsAFailure) {
    test::write_affiliates(state, {affiliate(1, 0, 1, march(1)), affiliate(2, 0, 3, march(1))});
    EXPECT_THROW(ask(state, range, ReportKind::Network, 2), ReportError);
}

// A referral cycle typed by hand (2 refers 3, 3 refers 2), saved round after
// round, stores Levels beyond the number of affiliates: counted as stored.
TEST_F(NetworkTest, LevelsOfAReferralCycleAreCountedAsStored) {
    useSettings("Percents", {10, 5});
    test::write_affiliates(state, {affiliate(1, 0, 1, march(1)), affiliate(2, 3, 6, march(2)),
                                   affiliate(3, 2, 7, ole_from_ymd(2003, 4, 1))});
    EXPECT_EQ(body(ask(state, range, ReportKind::Network, 0), 3), (Rows{{"1", "1", "1"},
                                                                        {"2", "0", "0"},
                                                                        {"3", "0", "0"},
                                                                        {"4", "0", "0"},
                                                                        {"5", "0", "0"},
                                                                        {"6", "1", "1"},
                                                                        {"7", "1", "0"},
                                                                        {" Total", "3", "2"}}));
}

// A Level whose tables would not fit in memory (or below 1) is refused, the
// record named; the Level must not size the tables nor overflow.
TEST(NetworkDamageTest, ALevelTooDeepForTheTablesIsRefusedNamingTheRecord) {
    for (int32_t damaged : {0, 20'000'001, INT32_MAX}) {
        test::TempFolder folder;
        AppState state(folder.path());
        test::write_settings(state, test::settings("Percents", {10, 5}));
        load_settings(state);
        test::write_affiliates(state,
                               {affiliate(1, 0, 1, march(1)), affiliate(2, 1, damaged, march(1))});
        for (int32_t id : {0, 2}) {
            try {
                ask(state, {}, ReportKind::Network, id);
                ADD_FAILURE() << damaged << " counted";
            } catch (const DamagedRecordError& e) {
                EXPECT_EQ(
                    std::string(e.what()).rfind(
                        "Affiliate 2 has the Level " + std::to_string(damaged) + ", outside", 0),
                    0u)
                    << e.what();
                EXPECT_EQ(report_failure_message(state.messages, OnFailure::SayIncorrectValue, e),
                          "Sorry, you entered an incorrect value");
                EXPECT_EQ(report_failure_detail(OnFailure::SayIncorrectValue, e), e.what());
            }
        }
    }
}

// 1 <- 2 <- 3, 2 <- 4 (registered after the range), 5 on top.
class DownlineTest : public NetworkReportsTest {
  protected:
    DownlineTest() {
        AffiliateRecord a4 = affiliate(4, 2, 3, ole_from_ymd(2003, 5, 1), "Dora");
        a4.street = "Long Road";
        a4.url = "www.example.com";
        test::write_affiliates(
            state, {affiliate(1, 0, 1, march(1), "Al"), affiliate(2, 1, 2, march(1), "Bo"),
                    affiliate(3, 2, 3, march(1), "Cy"), a4, affiliate(5, 0, 1, march(1), "Ed")});
    }
};

TEST_F(DownlineTest, WholeNetworkShowsStoredLevels) {
    EXPECT_EQ(body(ask(state, range, ReportKind::Downline, 0, false), 3),
              (Rows{{"1", "1", "Al                  "},
                    {"1", "5", "Ed                  "},
                    {"2", "2", "Bo                  "},
                    {"3", "3", "Cy                  "},
                    {"", "", ""}}));
}

TEST_F(DownlineTest, MemberRegisteredAfterTheRangeLeavesAnEmptyRow) {
    range.to = ole_from_ymd(2003, 6, 1);
    ReportTable t = ask(state, range, ReportKind::Downline, 2, true);
    ASSERT_EQ(t.columnCount(), 11u);
    EXPECT_EQ(t.text(2, 0), "1");
    EXPECT_EQ(t.text(2, 6), "Long Road           ");  // the last row too
    EXPECT_EQ(t.text(2, 10), fit_field("www.example.com", 30));

    range.to = march(31);
    t = ask(state, range, ReportKind::Downline, 2, true);
    EXPECT_EQ(t.rowTexts(2), std::vector<std::string>(11));
}

TEST_F(DownlineTest, MemberWithANanDateIsNotRegisteredByTheRangesEnd) {
    test::write_affiliates(state, {affiliate(6, 5, 2, std::numeric_limits<double>::quiet_NaN())});
    EXPECT_EQ(ask(state, range, ReportKind::Downline, 5, false).rowTexts(1),
              std::vector<std::string>(6));
}

TEST_F(DownlineTest, NewAffiliatesAppearWithoutRebuild) {
    ask(state, range, ReportKind::Downline, 1, false);
    test::write_affiliates(state, {affiliate(6, 3, 4, march(2), "Fay")});
    const ReportTable t = ask(state, range, ReportKind::Downline, 1, false);
    EXPECT_EQ(t.text(t.rowCount() - 1, 1), "6");
}

}  // namespace
}  // namespace qdx
