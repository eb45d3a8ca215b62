#pragma once
// Affiliates counted per level of the referral tree (stored Levels).
#include <cstdint>
#include <vector>

#include "core/app_state.h"
#include "core/date_range.h"

namespace qdx {

struct NetworkLevels {
    // Indexed by level 1..depth(); index 0 is unused.
    std::vector<int32_t> netTotal{0}, netNew{0};
    int32_t depth() const { return static_cast<int32_t>(netTotal.size()) - 1; }
};

// The whole network: affiliates per level and how many of them registered
// in the range. At least two levels; meeting a Level deeper than the tables
// grows them to that Level plus one.
NetworkLevels count_network(const AppState& state, const DateRange& range);

// The network of `id` down to the deepest rewarded level, and its upline:
// at the levels above and at `id`'s own, netTotal is 1 and netNew holds the
// ID of the upline member there (of `id` itself at its own level).
NetworkLevels count_network_of(const AppState& state, const DateRange& range, int32_t id);

}  // namespace qdx
