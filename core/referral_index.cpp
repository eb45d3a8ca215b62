#include "core/referral_index.h"

namespace qdx {

ReferralIndex::ReferralIndex(ReferralTree tree) : tree_(std::move(tree)) {
    const int32_t n = tree_.count();
    start_.assign(static_cast<size_t>(n) + 2, 0);
    for (int32_t r = 1; r <= n; ++r) {
        const int32_t p = tree_.referrerOf(r);
        if (p >= 0 && p <= n)
            ++start_[static_cast<size_t>(p) + 1];
        else
            strays_[p].push_back(r);
    }
    for (size_t p = 1; p < start_.size(); ++p) start_[p] += start_[p - 1];
    children_.resize(static_cast<size_t>(start_.back()));
    std::vector<int64_t> fill(start_.begin(), start_.end() - 1);
    for (int32_t r = 1; r <= n; ++r) {
        const int32_t p = tree_.referrerOf(r);
        if (p >= 0 && p <= n) children_[static_cast<size_t>(fill[static_cast<size_t>(p)]++)] = r;
    }
    seen_.assign(static_cast<size_t>(n) + 1, 0);
}

std::span<const int32_t> ReferralIndex::children(int32_t referrer) const {
    if (referrer >= 0 && referrer <= count()) {
        const auto p = static_cast<size_t>(referrer);
        return {children_.data() + start_[p], children_.data() + start_[p + 1]};
    }
    const auto it = strays_.find(referrer);
    if (it == strays_.end()) return {};
    return it->second;
}

bool ReferralIndex::firstMeeting(int32_t node) {
    if (!tree_.contains(node)) return true;
    uint32_t& mark = seen_[static_cast<size_t>(node)];
    if (mark == walk_) return false;
    mark = walk_;
    return true;
}

std::vector<int32_t> ReferralIndex::nextGeneration(const std::vector<int32_t>& generation) {
    std::vector<int32_t> next;
    for (int32_t parent : generation) {
        for (int32_t child : children(parent))
            if (firstMeeting(child)) next.push_back(child);
        // The referrers not on file lead up to the virtual root: a walk up
        // from their referrals passes them on the way.
        if (parent == 0)
            for (const auto& [stray, referrals] : strays_) next.push_back(stray);
    }
    return next;
}

}  // namespace qdx
