#include "core/affiliate_lookup.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace qdx
