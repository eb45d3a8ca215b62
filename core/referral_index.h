#pragma once
// The referral tree with every referrer's direct referrals, built in one pass
// so that walks down the tree never scan the whole file.
#include <algorithm>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/tree.h"

namespace qdx {

class ReferralIndex {
  public:
    ReferralIndex() = default;
    explicit ReferralIndex(ReferralTree tree);

    const ReferralTree& tree() const { return tree_; }
    int32_t count() const { return tree_.count(); }
    // The records naming `referrer`, in record order.
    std::span<const int32_t> children(int32_t referrer) const;
    // Referrers outside 0..count that records name, with those records.
    const std::unordered_map<int32_t, std::vector<int32_t>>& strays() const { return strays_; }

    // The records for which `counts(record)` holds that rank under `id` (the
    // sub_level rule): `id` itself at rank 1, its direct referrals at 2 and so
    // on down to levelsInUse; as (record, rank) in ascending record order. A
    // member met again on a referral cycle keeps its nearest rank. Under the
    // virtual root 0, a referrer that is not on file stands one rank below
    // the root, as a walk up the referrers meets it.
    template <class Counts>
    std::vector<std::pair<int32_t, int32_t>> ranks(int32_t id, int32_t levelsInUse, Counts counts);

  private:
    // Marks `node` met in the current walk; false when it was met already.
    bool firstMeeting(int32_t node);
    std::vector<int32_t> nextGeneration(const std::vector<int32_t>& generation);

    ReferralTree tree_;
    std::vector<int64_t> start_{0, 0};  // children of p: children_[start_[p] .. start_[p+1])
    std::vector<int32_t> children_;
    std::unordered_map<int32_t, std::vector<int32_t>> strays_;
    std::vector<uint32_t> seen_{0};  // walk number that last met each record
    uint32_t walk_ = 0;
};

template <class Counts>
std::vector<std::pair<int32_t, int32_t>> ReferralIndex::ranks(int32_t id, int32_t levelsInUse,
                                                              Counts counts) {
    std::vector<std::pair<int32_t, int32_t>> found;
    if (counts(id)) found.emplace_back(id, 1);
    ++walk_;
    firstMeeting(id);
    std::vector<int32_t> generation{id};
    for (int32_t rank = 2; rank <= levelsInUse && !generation.empty(); ++rank) {
        generation = nextGeneration(generation);
        for (int32_t member : generation)
            if (counts(member)) found.emplace_back(member, rank);
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace qdx
