#pragma once
// Commissions and activity for a report's range, written to the working
// files accounts.qdx and activity.qdx (record k belongs to affiliate k).
// Every sum is formed as: read the Single, add in double, round to Single,
// in record order, so the totals match the order of entry exactly.
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/date_range.h"
#include "core/direct_referrals.h"
#include "core/progress.h"
#include "core/records.h"
#include "core/tree.h"

namespace qdx {

class ReferralTree;

// The commission for one sale at a level (0..8).
float level_reward(const Settings& settings, int level, float sum);

// What the accounts of a range credit, kept in memory: per affiliate 1..n
// (index 0 unused) the income from sales in the range up to eight levels,
// less what the refunds of the range take back, and the payments in the
// range, less the voids of the range; with `ownSales`, also each affiliate's
// own sales volume in the range, net of its refunds, summed in the same pass
// over the sales file. Sales and payments whose affiliate is not in the
// affiliates file are skipped.
// With `holdDays` > 0 the income is that of the sales dated that many days
// before the range (the hold period, core/hold_period.h), less the refunds
// that count in the range under the hold (refunds_in_range); the payments
// and voids are still those of the range.
struct AccountTotals {
    std::vector<float> income, paid, ownSales;
    std::string notice;  // refunds left out, and why (empty when none)
};
AccountTotals account_totals(const AppState& state, const DateRange& range,
                             const ReferralTree& tree, bool ownSales, Progress& progress,
                             int32_t holdDays = 0);
inline AccountTotals account_totals(const AppState& state, const DateRange& range,
                                    const ReferralTree& tree, bool ownSales) {
    Progress none;
    return account_totals(state, range, tree, ownSales, none);
}

// The accounts of the range over the affiliates file, also written to
// records 1..count_affiliates of the working file accounts.qdx; hands back
// what it wrote.
AccountTotals build_accounts(const AppState& state, const DateRange& range, Progress& progress,
                             int32_t holdDays = 0);
inline AccountTotals build_accounts(const AppState& state, const DateRange& range) {
    Progress none;
    return build_accounts(state, range, none);
}

// Each affiliate's own sales volume in the range, less its refunds of the
// range, and its direct referrals registered in the range, over a tree the
// caller has loaded; also written to records 1..n of the working file
// activity.qdx. Hands back what it wrote (entry k for affiliate k).
std::vector<ActivityRecord> build_activity(const AppState& state, const DateRange& range,
                                           const ReferralTree& tree, Progress& progress);
// The same over the affiliates file.
std::vector<ActivityRecord> build_activity(const AppState& state, const DateRange& range,
                                           Progress& progress);
inline std::vector<ActivityRecord> build_activity(const AppState& state, const DateRange& range) {
    Progress none;
    return build_activity(state, range, none);
}
// The volumes of build_activity alone: entry k (1..affiliates) the own sales
// of affiliate k in the range, less its refunds of the range.
std::vector<float> activity_volumes(const AppState& state, const DateRange& range,
                                    int32_t affiliates, Progress& progress);
// The same for the members of one network only (entry i for
// network.members[i]), summed in the same order: the sales file is read
// whole, but only the members' sales are decoded.
std::vector<float> network_volumes(const AppState& state, const DateRange& range,
                                   int32_t affiliates, const Network& network, Progress& progress);
// The tree build_activity reads: the affiliates file opened as an input
// (created empty when missing, as long as its folder exists).
ReferralTree activity_tree(const AppState& state);

// The same computations done record by record, opening the affiliates file
// at every referrer lookup. Slow; kept as the reference the fast ones are
// checked against.
void build_accounts_literal(const AppState& state, const DateRange& range, int32_t holdDays = 0);
void build_activity_literal(const AppState& state, const DateRange& range);

// The commission of a sale of `sum` at a level whose reward is `reward`: in
// Percents that share of the sum, in Fixed the reward itself.
inline float reward_for(float reward, bool percent, float sum) {
    if (percent) return static_cast<float>(static_cast<double>(reward) * sum / 100.0);
    return reward;
}

inline float add_single(float total, float amount) {
    return static_cast<float>(static_cast<double>(total) + static_cast<double>(amount));
}

}  // namespace qdx
