#pragma once
// The commissions of a range's sales, walked up the referral tree: each sale
// credits its affiliate and up to seven referrers above it. Every account
// gets its additions in the record order of the sales file (the float sums
// depend on it), while the sales are read and dealt on every core.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/accounts.h"
#include "core/app_state.h"
#include "core/date_range.h"
#include "core/progress.h"
#include "core/record_file.h"

namespace qdx {

class ReferralTree;

constexpr size_t kCommissionLevels = 8;

// For every affiliate, the IDs credited for its sales at levels 1..8: itself
// and up to seven referrers above it, 0 after the end of the chain or an ID
// that is not on file.
class UplineTable {
  public:
    explicit UplineTable(const ReferralTree& tree);
    int32_t count() const { return count_; }
    const int32_t* row(int32_t id) const {
        return &up_[static_cast<size_t>(id) * kCommissionLevels];
    }

  private:
    int32_t count_ = 0;
    std::vector<int32_t> up_;
};

// The reward of each level, as level_reward gives it, and the deepest level
// whose reward can change an income (a level whose reward is 0 adds exactly
// nothing, so the walk may stop above it).
class LevelRewards {
  public:
    explicit LevelRewards(const Settings& settings);
    float at(size_t level, float sum) const { return reward_for(rewards_[level], percent_, sum); }
    // The levels a sale of `sum` credits: a sum that is not finite makes even
    // a 0 % reward count.
    size_t levelsFor(float sum) const;
    size_t deepest() const { return deepest_; }

  private:
    bool percent_ = false;
    std::array<float, kCommissionLevels + 1> rewards_{};
    size_t deepest_ = 0;
};

// What a pass over the sales adds up, entry k for affiliate k: with
// `income`, the commissions walked up `up` at the `rewards`; with
// `ownSales`, each seller's own sales volume.
struct SalesSums {
    const UplineTable* up = nullptr;
    const LevelRewards* rewards = nullptr;
    std::vector<float>* income = nullptr;
    std::vector<float>* ownSales = nullptr;
};

// Adds every sale of `sales` dated in `earned` whose affiliate is one of the
// `affiliates` on file to the `sums`.
void add_sales(const RecordFile& sales, const DateRange& earned, int32_t affiliates,
               const SalesSums& sums, Progress& progress);

// Calls visit(id, sum) in record order for every sale of `sales` dated in
// `earned` whose affiliate (1..affiliates) has its bit set in `members` (bit
// k of word k / 64): each core tests its stretch of the file against the bits
// before it reads anything else of a record.
void scan_member_sales(const RecordFile& sales, const DateRange& earned, int32_t affiliates,
                       const std::vector<uint64_t>& members,
                       const std::function<void(int32_t, float)>& visit, Progress& progress);

}  // namespace qdx
