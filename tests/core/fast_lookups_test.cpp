// The in-memory lookups give what the record-by-record reads give.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>

#include "core/accounts.h"
#include "core/affiliate_lookup.h"
#include "core/corrections.h"
#include "core/direct_referrals.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/referral_index.h"
#include "core/tree.h"
#include "support/test_support.h"

namespace qdx {
namespace {

// The ID field each visit sees (0 for an all-zero record); -9 when unvisited.
std::vector<int32_t> seen(const AppState& state, const std::vector<int32_t>& ids) {
    std::vector<int32_t> out(ids.size(), -9);
    visit_affiliates(state, ids, [&](size_t i, const AffiliateRecord& a) { out[i] = a.id; });
    return out;
}

// One record read at a time for a few IDs, one pass over the file for many:
// both give each ID its own record, whatever the order.
TEST(AffiliateLookup, FewAndManyIdsReadTheSameRecords) {
    test::TempFolder folder;
    AppState state{folder.path()};
    std::vector<AffiliateRecord> records;
    for (int32_t id = 1; id <= 100; ++id)
        records.push_back(test::affiliate(id + 1000, 0, 1, 37000));
    test::write_affiliates(state, records);

    const std::vector<int32_t> few{7, 0, 101, 3, 7};
    EXPECT_EQ(seen(state, few), (std::vector<int32_t>{1007, 0, 0, 1003, 1007}));

    std::vector<int32_t> many{-1, 200};
    for (int32_t id = 100; id >= 1; --id) many.push_back(id);
    many.push_back(50);
    std::vector<int32_t> expected{0, 0};
    for (int32_t id = 100; id >= 1; --id) expected.push_back(id + 1000);
    expected.push_back(1050);
    EXPECT_EQ(seen(state, many), expected);
}

// Numbers spread wider than a pass is worth are read record by record, and
// give what a pass gives: each number its record, whatever the order, the
// numbers off the file as zeros; a block reloaded keeps nothing of before.
TEST(AffiliateLookup, ScatteredAndCloseNumbersReadTheSameRecords) {
    test::TempFolder folder;
    AppState state{folder.path()};
    std::vector<AffiliateRecord> records;
    for (int32_t id = 1; id <= 6000; ++id) records.push_back(test::affiliate(id + 100000, 0, 1, 0));
    test::write_affiliates(state, records);
    const RecordFile file = open_input(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    auto ids = [&](const std::vector<int32_t>& numbers) {
        std::vector<int32_t> out(numbers.size(), -9);
        visit_affiliate_records(file, numbers, [&](size_t i, const uint8_t* bytes) {
            out[i] = layout::get<layout::affiliate::kId>(bytes);
        });
        return out;
    };
    // Two numbers 5999 apart: record by record.
    EXPECT_EQ(ids({6000, 0, 1, 6001, 6000}), (std::vector<int32_t>{106000, 0, 100001, 0, 106000}));
    // The same among close ones: one pass.
    std::vector<int32_t> close{6000, 0, 1, 6001};
    for (int32_t k = 5990; k >= 10; --k) close.push_back(k);
    const std::vector<int32_t> read = ids(close);
    EXPECT_EQ(std::vector<int32_t>(read.begin(), read.begin() + 4),
              (std::vector<int32_t>{106000, 0, 100001, 0}));
    for (size_t i = 4; i < close.size(); ++i) ASSERT_EQ(read[i], close[i] + 100000) << i;

    AffiliateRecordBlock block(state.dataFile(file::kAffiliates));
    const std::vector<int32_t> first{3, 4, 5}, second{-1, 5999, 2};
    block.load(first);
    block.load(second);
    EXPECT_EQ(layout::get<layout::affiliate::kId>(block.record(0)), 0);
    EXPECT_EQ(layout::get<layout::affiliate::kId>(block.record(1)), 105999);
    EXPECT_EQ(layout::get<layout::affiliate::kId>(block.record(2)), 100002);
}

// The ranks walked down the children index agree with sub_level's walk up
// the referrers for every upline: roots, the virtual root 0, referrers not on
// file (negative or past the end), a self-referral and a cycle.
TEST(ReferralIndex, RanksAgreeWithTheWalkUpTheReferrers) {
    test::TempFolder folder;
    AppState state{folder.path()};
    // 1 <- 2 <- 3 <- 4; 5 names 40 (not on file), 6 <- 5; 7 names -3;
    // 8 <- 9 <- 8 (a cycle); 10 names itself; 11 <- 12 under 0.
    const int32_t referrers[] = {0, 1, 2, 3, 40, 5, -3, 9, 8, 10, 0, 11};
    std::vector<AffiliateRecord> records;
    for (int32_t k = 0; k < 12; ++k) records.push_back(test::affiliate(k + 1, referrers[k], 1, 0));
    test::write_affiliates(state, records);
    ReferralIndex index(ReferralTree::load(state));
    const ReferralTree& tree = index.tree();

    for (int32_t levels = 0; levels <= 6; ++levels) {
        for (int32_t upline : {-3, 0, 1, 2, 5, 8, 9, 10, 11, 13, 40}) {
            std::vector<std::pair<int32_t, int32_t>> walked;
            for (int32_t r = 1; r <= tree.count(); ++r)
                if (int32_t rank = tree.subLevel(upline, r, levels)) walked.emplace_back(r, rank);
            const auto ranks =
                index.ranks(upline, levels, [&](int32_t r) { return tree.contains(r); });
            EXPECT_EQ(ranks, walked) << "upline " << upline << ", levels " << levels;
        }
    }
}

namespace fs = std::filesystem;

// Makes the affiliates file look as if it had been saved a minute ago.
void age_affiliates(const AppState& state) {
    fs::last_write_time(state.dataFile(file::kAffiliates),
                        fs::file_time_type::clock::now() - std::chrono::minutes(1));
}

// A random forest of n affiliates: referrers ahead of their referrals,
// behind them (cycles), themselves, 0, or off the file on either side.
std::vector<AffiliateRecord> random_forest(std::mt19937& rng, int32_t n) {
    std::vector<AffiliateRecord> records;
    for (int32_t k = 1; k <= n; ++k) {
        auto r = static_cast<int32_t>(rng() % static_cast<unsigned>(n + 4)) - 1;
        if (rng() % 5 == 0) r = 0;
        records.push_back(test::affiliate(k, r, 1 + static_cast<int32_t>(rng() % 9),
                                          37000 + static_cast<double>(rng() % 30)));
    }
    return records;
}

// Each network agrees with sub_level's walk up the referrers, member by
// member, with the members' stored levels and their referrals registered in
// the range, whether the referrals come from the affiliates file or from
// the index saved beside it.
TEST(DirectReferrals, NetworksAgreeWithTheWalkUpTheReferrers) {
    std::mt19937 rng(5);
    const DateRange range{37005, 37020};
    for (int round = 0; round < 3; ++round) {
        test::TempFolder folder;
        AppState state{folder.path()};
        const int32_t n = 30 + static_cast<int32_t>(rng() % 30);
        const std::vector<AffiliateRecord> records = random_forest(rng, n);
        test::write_affiliates(state, records);
        const DirectReferrals fromFile = DirectReferrals::open(state);
        EXPECT_FALSE(fs::exists(referrals_index_file(state)));  // the file is too fresh
        age_affiliates(state);
        DirectReferrals::open(state);
        const DirectReferrals fromIndex = DirectReferrals::open(state);
        ASSERT_TRUE(fromIndex.fromIndex());

        for (int32_t levels : {0, 1, 2, 5, 8}) {
            state.settings.levelsInUse = levels;
            // The literal walk reads the file at every call: once per pair.
            std::vector<int32_t> ranks(static_cast<size_t>(n * n));
            for (int32_t id = 1; id <= n; ++id)
                for (int32_t r = 1; r <= n; ++r)
                    ranks[static_cast<size_t>((id - 1) * n + r - 1)] = sub_level(state, id, r);
            for (int32_t id = 1; id <= n; ++id) {
                const auto rank_of = [&](int32_t r) {
                    return ranks[static_cast<size_t>((id - 1) * n + r - 1)];
                };
                std::vector<NetworkMember> expected;
                for (int32_t r = 1; r <= n; ++r) {
                    const int32_t rank = rank_of(r);
                    if (rank == 0) continue;
                    int32_t registered = 0;
                    for (const AffiliateRecord& a : records)
                        registered += a.referrerId == r && range.contains(a.date);
                    expected.push_back(
                        {r, rank, records[static_cast<size_t>(r - 1)].level, registered});
                }
                for (const DirectReferrals* source : {&fromFile, &fromIndex}) {
                    const std::optional<Network> network =
                        network_of(*source, id, records[static_cast<size_t>(id - 1)].level, levels,
                                   true, range);
                    ASSERT_TRUE(network);
                    ASSERT_EQ(network->members.size(), expected.size())
                        << "ID " << id << ", levels " << levels;
                    for (size_t i = 0; i < expected.size(); ++i) {
                        const NetworkMember &got = network->members[i], &want = expected[i];
                        EXPECT_TRUE(got.id == want.id && got.rank == want.rank &&
                                    got.level == want.level && got.registered == want.registered)
                            << "ID " << id << ", levels " << levels << ", member " << want.id;
                    }
                    for (int32_t r = 1; r <= n; ++r) EXPECT_EQ(network->has(r), rank_of(r) != 0);
                }
            }
        }
    }
}

// The index is trusted only for the very file it was built from: a record
// changed in place (same length), or the file replaced by another of the
// same length and time, is read afresh; so is an index cut short.
TEST(DirectReferrals, AStaleOrDamagedIndexIsNotTrusted) {
    test::TempFolder folder;
    AppState state{folder.path()};
    // 1 <- 2 <- 3, 4 under 1.
    test::write_affiliates(state, {test::affiliate(1, 0, 1, 0), test::affiliate(2, 1, 2, 0),
                                   test::affiliate(3, 2, 3, 0), test::affiliate(4, 1, 2, 0)});
    const fs::path affiliates = state.dataFile(file::kAffiliates);
    age_affiliates(state);
    DirectReferrals::open(state);
    ASSERT_TRUE(DirectReferrals::open(state).fromIndex());
    auto referralsOf = [&](int32_t p) {
        std::vector<int32_t> ids;
        std::vector<Referral> found;
        EXPECT_TRUE(DirectReferrals::open(state).referralsOf(p, found));
        for (const Referral& r : found) ids.push_back(r.id);
        return ids;
    };
    EXPECT_EQ(referralsOf(1), (std::vector<int32_t>{2, 4}));

    // 4 moves under 2, the file keeping its length.
    {
        RecordFile file(affiliates, AffiliateRecord::kSize);
        file.write(4, test::affiliate(4, 2, 3, 0));
    }
    EXPECT_FALSE(DirectReferrals::open(state).fromIndex());
    EXPECT_EQ(referralsOf(1), (std::vector<int32_t>{2}));
    EXPECT_EQ(referralsOf(2), (std::vector<int32_t>{3, 4}));

    // Indexed again, then replaced by a copy that names 4 under 3, given the
    // same time: another file.
    age_affiliates(state);
    DirectReferrals::open(state);
    ASSERT_TRUE(DirectReferrals::open(state).fromIndex());
    const auto time = fs::last_write_time(affiliates);
    {
        const fs::path other = folder.path() / "other.qdx";
        fs::copy_file(affiliates, other);
        RecordFile file(other, AffiliateRecord::kSize);
        file.write(4, test::affiliate(4, 3, 4, 0));
        file.close();
        fs::last_write_time(other, time);
        fs::rename(other, affiliates);
    }
    EXPECT_FALSE(DirectReferrals::open(state).fromIndex());
    EXPECT_EQ(referralsOf(3), (std::vector<int32_t>{4}));

    // An index cut short, or one whose entries name records off the file.
    age_affiliates(state);
    DirectReferrals::open(state);
    const fs::path index = referrals_index_file(state);
    const std::string whole = test::read_file(index);
    fs::resize_file(index, whole.size() - 1);
    EXPECT_FALSE(DirectReferrals::open(state).fromIndex());
    {
        std::string garbled = whole;
        const int32_t off = 99;
        std::memcpy(garbled.data() + garbled.size() - 16, &off, 4);
        platform::File file;
        ASSERT_EQ(file.open(index, platform::Mode::WriteTruncate), 0);
        ASSERT_EQ(file.write(garbled.data(), garbled.size()).error, 0);
    }
    const DirectReferrals damaged = DirectReferrals::open(state);
    ASSERT_TRUE(damaged.fromIndex());
    state.settings.levelsInUse = 4;
    EXPECT_FALSE(network_of(damaged, 1, 1, 4, false, DateRange{}));
}

// The members' volumes are build_activity's, float for float: the same
// additions in record order (sales on every core), refunds after them.
TEST(DirectReferrals, MemberVolumesAreTheActivityVolumes) {
    test::TempFolder folder;
    AppState state{folder.path()};
    std::mt19937 rng(9);
    const int32_t n = 300;
    test::write_affiliates(state, random_forest(rng, n));
    std::vector<MoneyRecord> sales;
    const float sums[] = {0.1f, 1e7f, 3.3f, -2.5f, 1234.567f, 0.004f};
    for (int i = 0; i < 30000; ++i)
        sales.push_back({static_cast<int32_t>(rng() % (n + 3)) - 1, sums[rng() % 6],
                         37000 + static_cast<double>(rng() % 30)});
    test::write_money(state, file::kSales, sales);
    std::vector<RefundRecord> refunds;
    for (int i = 0; i < 200; ++i)
        refunds.push_back({static_cast<int32_t>(1 + rng() % 30000), 0.3f, 37010});
    test::write_refunds(state, refunds);
    const DateRange range{37003, 37025};
    const std::vector<ActivityRecord> activity = build_activity(state, range);

    const DirectReferrals referrals = DirectReferrals::open(state);
    for (int32_t id : {1, 7, 40, 133}) {
        const std::optional<Network> network = network_of(referrals, id, 0, 8, false, range);
        ASSERT_TRUE(network);
        Progress none;
        const std::vector<float> volumes = network_volumes(state, range, n, *network, none);
        for (size_t i = 0; i < volumes.size(); ++i) {
            const float want = activity[static_cast<size_t>(network->members[i].id)].volume;
            EXPECT_EQ(std::memcmp(&volumes[i], &want, 4), 0)
                << "member " << network->members[i].id << ": " << volumes[i] << " " << want;
        }
    }
}

}  // namespace
}  // namespace qdx
