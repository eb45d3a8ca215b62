#pragma once
// The referral network as a tree to browse: every affiliate's direct
// referrals, the size of its whole downline, and its own sales and the
// income credited to it in the report range. The tree is read once; the
// downline sizes are counted in one pass over it, and the money comes from
// one pass over the sales and payments (the commissions' own computation),
// kept apart because it takes the longest.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/app_state.h"
#include "core/date_range.h"
#include "core/record_file.h"
#include "core/referral_index.h"

namespace qdx {

class DownlineTree {
  public:
    DownlineTree() = default;
    explicit DownlineTree(ReferralIndex index);
    // Reads the affiliates file once.
    static DownlineTree load(const AppState& state);

    int32_t count() const { return index_.count(); }
    const ReferralTree& tree() const { return index_.tree(); }
    // The direct referrals of `id` in ascending ID order; for 0 the
    // affiliates without a referrer.
    std::span<const int32_t> children(int32_t id) const;
    // How many affiliates are below `id` (its whole downline); for 0, every
    // affiliate reached from the top level. An affiliate on a referral cycle
    // has the rest of its cycle and everything hanging from it below.
    int64_t below(int32_t id) const;
    int32_t levelOf(int32_t id) const { return tree().levelOf(id); }

    // The IDs from the top row of a tree shown for `root` down to `id`: for
    // root 0 from a top-level affiliate, otherwise from the root itself.
    // Empty when `id` is not in that tree.
    std::vector<int32_t> path_to(int32_t root, int32_t id) const;
    // The row of `id` among the children of `parent`, or -1.
    int64_t rowOf(int32_t parent, int32_t id) const;

  private:
    ReferralIndex index_;
    std::vector<int64_t> below_{0};
};

// Each affiliate's own sales volume and the income credited to it (what the
// Accounts report's Income column holds) in the range; index = ID.
struct DownlineMoney {
    std::vector<float> sales, income;
    float salesOf(int32_t id) const { return at(sales, id); }
    float incomeOf(int32_t id) const { return at(income, id); }

  private:
    static float at(const std::vector<float>& v, int32_t id) {
        return id >= 1 && static_cast<size_t>(id) < v.size() ? v[static_cast<size_t>(id)] : 0.0f;
    }
};
DownlineMoney downline_money(const AppState& state, const DateRange& range,
                             const ReferralTree& tree);

// The affiliates of the file whose Name or Surname, or Name and Surname
// with one blank between, equals `typed` without regard to case and
// surrounding blanks; ascending IDs. One pass over the file.
std::vector<int32_t> find_affiliates_by_name(const RecordFile& affiliates, std::string_view typed);

}  // namespace qdx
