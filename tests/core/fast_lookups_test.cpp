// The in-memory lookups give what the record-by-record reads give.
#include <gtest/gtest.h>

#include "core/affiliate_lookup.h"
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

}  // namespace
}  // namespace qdx
