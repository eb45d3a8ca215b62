#include "reports/downline_tree.h"

#include <algorithm>

#include "core/accounts.h"
#include "core/records.h"
#include "core/text_field.h"
#include "core/tree.h"

namespace qdx {

DownlineTree::DownlineTree(ReferralIndex index) : index_(std::move(index)) {
    const int32_t n = count();
    const ReferralTree& t = tree();
    below_.assign(static_cast<size_t>(n) + 1, 0);
    // From the leaves up: an affiliate is done once all its referrals are,
    // and then adds itself and its downline to its referrer.
    std::vector<int32_t> pending(static_cast<size_t>(n) + 1, 0);
    std::vector<int32_t> ready;
    for (int32_t id = 1; id <= n; ++id) {
        pending[static_cast<size_t>(id)] = static_cast<int32_t>(index_.children(id).size());
        if (pending[static_cast<size_t>(id)] == 0) ready.push_back(id);
    }
    while (!ready.empty()) {
        const int32_t id = ready.back();
        ready.pop_back();
        const int32_t up = t.referrerOf(id);
        const int64_t carried = below_[static_cast<size_t>(id)] + 1;
        if (up == 0) {
            below_[0] += carried;
            continue;
        }
        if (!t.contains(up)) continue;
        below_[static_cast<size_t>(up)] += carried;
        if (--pending[static_cast<size_t>(up)] == 0) ready.push_back(up);
    }
    // What is left lies on referral cycles: each member of a cycle reaches the
    // whole of it and everything hanging from it.
    for (int32_t id = 1; id <= n; ++id) {
        if (pending[static_cast<size_t>(id)] == 0) continue;
        int64_t size = 0;
        int32_t member = id;
        do {
            size += below_[static_cast<size_t>(member)] + 1;
            member = t.referrerOf(member);
        } while (member != id);
        member = id;
        do {
            // Its own referral on the cycle was never carried up, so the
            // count left is its hanging downline alone.
            pending[static_cast<size_t>(member)] = 0;
            below_[static_cast<size_t>(member)] = size - 1;
            member = t.referrerOf(member);
        } while (member != id);
    }
}

DownlineTree DownlineTree::load(const AppState& state) {
    return DownlineTree(ReferralIndex(ReferralTree::load(state)));
}

std::span<const int32_t> DownlineTree::children(int32_t id) const {
    if (id < 0 || id > count()) return {};
    return index_.children(id);
}

int64_t DownlineTree::below(int32_t id) const {
    return id >= 0 && id <= count() ? below_[static_cast<size_t>(id)] : 0;
}

std::vector<int32_t> DownlineTree::path_to(int32_t root, int32_t id) const {
    const ReferralTree& t = tree();
    if (!t.contains(id) || (root != 0 && !t.contains(root))) return {};
    std::vector<int32_t> path{id};
    // A walk up meets the root within count() steps, or never does.
    for (int32_t step = 0; step <= count() && path.back() != root; ++step) {
        const int32_t up = t.referrerOf(path.back());
        if (up == 0 && root == 0) {
            std::reverse(path.begin(), path.end());
            return path;
        }
        if (!t.contains(up)) return {};
        path.push_back(up);
    }
    if (path.back() != root) return {};
    std::reverse(path.begin(), path.end());
    return path;
}

int64_t DownlineTree::rowOf(int32_t parent, int32_t id) const {
    const auto list = children(parent);
    const auto it = std::lower_bound(list.begin(), list.end(), id);
    return it != list.end() && *it == id ? it - list.begin() : -1;
}

DownlineMoney downline_money(const AppState& state, const DateRange& range,
                             const ReferralTree& tree) {
    AccountTotals totals = account_totals(state, range, tree, true);
    DownlineMoney money;
    money.sales = std::move(totals.ownSales);
    money.income = std::move(totals.income);
    return money;
}

namespace {

// The field's text as compared: blanks around it dropped, lower case.
bool same_text(std::string_view field, std::string_view wanted) {
    field = trim(field);
    return field.size() == wanted.size() && to_lower(field) == wanted;
}

}  // namespace

std::vector<int32_t> find_affiliates_by_name(const RecordFile& affiliates, std::string_view typed) {
    const std::string wanted = to_lower(trim(typed));
    std::vector<int32_t> found;
    if (wanted.empty() || !affiliates.isOpen()) return found;
    const size_t blank = wanted.find(' ');
    affiliates.scanBlocks(
        1, affiliates.count(), [&](int64_t first, const uint8_t* bytes, size_t n) {
            for (size_t i = 0; i < n; ++i) {
                const uint8_t* record = bytes + i * AffiliateRecord::kSize;
                const std::string_view name = layout::get<layout::affiliate::kName>(record);
                const std::string_view surname = layout::get<layout::affiliate::kSurname>(record);
                bool match = same_text(name, wanted) || same_text(surname, wanted);
                if (!match && blank != std::string::npos)
                    match = same_text(name, std::string_view(wanted).substr(0, blank)) &&
                            same_text(surname, trim(std::string_view(wanted).substr(blank + 1)));
                if (match) found.push_back(static_cast<int32_t>(first + static_cast<int64_t>(i)));
            }
        });
    return found;
}

}  // namespace qdx
