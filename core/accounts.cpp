#include "core/accounts.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/commission_walk.h"
#include "core/corrections.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/tree.h"

namespace qdx {

float level_reward(const Settings& settings, int level, float sum) {
    return reward_for(settings.rewards[static_cast<size_t>(level)], settings.payType == 1, sum);
}

namespace {

// Encodes records 1..n from memory and writes them in one block, leaving any
// records above n as they were.
template <class R>
void write_records(RecordFile& file, const std::vector<R>& records) {
    if (records.size() <= 1) return;
    std::vector<uint8_t> bytes((records.size() - 1) * R::kSize);
    for (size_t k = 1; k < records.size(); ++k)
        records[k].encode(bytes.data() + (k - 1) * R::kSize);
    file.writeBlock(1, bytes.data(), records.size() - 1);
}

// Calls visit(affiliateId, sum) for every record of a sales or payments file
// dated in the range, in record order.
template <class Visit>
void scan_money(const AppState& state, const DateRange& range, const char* name, Progress& progress,
                const char* stage, Visit visit) {
    RecordFile f = open_input(state.dataFile(name), MoneyRecord::kSize);
    if (!f.isOpen()) return;
    progress.stage(stage, f.count(), "records");
    const DateRange days = range;  // a copy, which the loop keeps in registers
    f.scanBlocks(1, f.count(), [&](int64_t first, const uint8_t* bytes, size_t n) {
        progress.step(first - 1);
        for (size_t i = 0; i < n; ++i, bytes += MoneyRecord::kSize)
            if (days.contains(layout::get<layout::money::kDate>(bytes)))
                visit(layout::get<layout::money::kAffiliateId>(bytes),
                      layout::get<layout::money::kSum>(bytes));
    });
}

// Takes back what each refund's sale paid, on the sale's own walk up the
// tree, refund after refund in record order.
void take_back(const std::vector<RangeCorrection>& refunds, const UplineTable& up,
               const Settings& settings, size_t deepest, std::vector<float>& income) {
    for (const RangeCorrection& refund : refunds) {
        const int32_t* row = up.row(refund.affiliate);
        for (size_t j = 0; j < deepest && row[j] != 0; ++j) {
            float& total = income[static_cast<size_t>(row[j])];
            total = add_single(total, -refund_reward(settings, static_cast<int>(j + 1), refund.sum,
                                                     refund.targetSum));
        }
    }
}

// Each correction lowers an amount of its affiliate by its sum: a refund
// the seller's own sales volume, a void the payments.
template <class Volume>
void lower_volumes(const std::vector<RangeCorrection>& refunds, Volume volume) {
    for (const RangeCorrection& refund : refunds) {
        float& v = volume(refund.affiliate);
        v = add_single(v, -refund.sum);
    }
}

}  // namespace

AccountTotals account_totals(const AppState& state, const DateRange& range,
                             const ReferralTree& tree, bool ownSales, Progress& progress,
                             int32_t holdDays) {
    const int32_t n = tree.count();
    const Settings& settings = state.settings;
    const LevelRewards rewards(settings);
    AccountTotals totals;
    totals.income.assign(static_cast<size_t>(n) + 1, 0.0f);
    if (ownSales) totals.ownSales.assign(static_cast<size_t>(n) + 1, 0.0f);

    const UplineTable up(tree);
    // The refunds are read first: the sales they name are read in blocks once
    // the sales of the range (or of the days a hold puts before it) are added.
    PendingCorrections pending = PendingCorrections::refunds(state, range, holdDays);
    {
        const RecordFile sales = open_input(state.dataFile(file::kSales), MoneyRecord::kSize);
        add_sales(sales, range.before(holdDays), n,
                  {&up, &rewards, &totals.income, ownSales ? &totals.ownSales : nullptr}, progress);
    }
    // Refunds come after the sales of the range.
    CorrectionsInRange refunds = pending.finish(n);
    take_back(refunds.corrections, up, settings, rewards.deepest(), totals.income);
    if (ownSales)
        lower_volumes(refunds.corrections, [&](int32_t id) -> float& {
            return totals.ownSales[static_cast<size_t>(id)];
        });

    totals.paid.assign(static_cast<size_t>(n) + 1, 0.0f);
    scan_money(state, range, file::kPayments, progress, "Adding up the payments",
               [&](int32_t id, float sum) {
                   if (!tree.contains(id)) return;
                   float& total = totals.paid[static_cast<size_t>(id)];
                   total = add_single(total, sum);
               });
    // Voids come after the payments of the range: each makes its payment due again.
    const CorrectionsInRange voids = voids_in_range(state, range, n);
    lower_volumes(voids.corrections,
                  [&](int32_t id) -> float& { return totals.paid[static_cast<size_t>(id)]; });
    refunds.skipped.insert(refunds.skipped.end(), voids.skipped.begin(), voids.skipped.end());
    totals.notice = refunds.notice();
    return totals;
}

AccountTotals build_accounts(const AppState& state, const DateRange& range, Progress& progress,
                             int32_t holdDays) {
    RecordFile accountsFile(state.workFile(file::kAccounts), AccountRecord::kSize);
    AccountTotals totals =
        account_totals(state, range, ReferralTree::load(state, ReferralTree::Read::ReferrersOnly),
                       false, progress, holdDays);
    std::vector<AccountRecord> accounts(totals.income.size());
    for (size_t k = 1; k < accounts.size(); ++k) accounts[k] = {totals.income[k], totals.paid[k]};
    write_records(accountsFile, accounts);
    return totals;
}

std::vector<ActivityRecord> build_activity(const AppState& state, const DateRange& range,
                                           const ReferralTree& tree, Progress& progress) {
    RecordFile activityFile(state.workFile(file::kActivity), ActivityRecord::kSize);
    const int32_t n = tree.count();
    std::vector<ActivityRecord> activity(static_cast<size_t>(n) + 1);
    for (int32_t k = 1; k <= n; ++k) {
        int32_t r = tree.referrerOf(k);
        if (r != 0 && range.contains(tree.dateOf(k)) && tree.contains(r))
            ++activity[static_cast<size_t>(r)].newReferrals;
    }
    {
        const std::vector<float> volumes = activity_volumes(state, range, n, progress);
        for (size_t k = 1; k < volumes.size(); ++k) activity[k].volume = volumes[k];
    }
    write_records(activityFile, activity);
    return activity;
}

std::vector<float> activity_volumes(const AppState& state, const DateRange& range,
                                    int32_t affiliates, Progress& progress) {
    std::vector<float> volumes(static_cast<size_t>(affiliates) + 1, 0.0f);
    {
        const RecordFile sales = open_input(state.dataFile(file::kSales), MoneyRecord::kSize);
        add_sales(sales, range, affiliates, {.ownSales = &volumes}, progress);
    }
    lower_volumes(refunds_in_range(state, range, affiliates).corrections,
                  [&](int32_t id) -> float& { return volumes[static_cast<size_t>(id)]; });
    return volumes;
}

std::vector<float> network_volumes(const AppState& state, const DateRange& range,
                                   int32_t affiliates, const Network& network, Progress& progress) {
    const std::vector<NetworkMember>& members = network.members;
    std::vector<float> volumes(members.size(), 0.0f);
    auto volume = [&](int32_t id) -> float& {
        const auto at =
            std::lower_bound(members.begin(), members.end(), id,
                             [](const NetworkMember& m, int32_t k) { return m.id < k; });
        return volumes[static_cast<size_t>(at - members.begin())];
    };
    {
        const RecordFile sales = open_input(state.dataFile(file::kSales), MoneyRecord::kSize);
        scan_member_sales(
            sales, range, affiliates, network.bits,
            [&](int32_t id, float sum) {
                float& v = volume(id);
                v = add_single(v, sum);
            },
            progress);
    }
    std::vector<RangeCorrection> refunds = refunds_in_range(state, range, affiliates).corrections;
    std::erase_if(refunds, [&](const RangeCorrection& r) {
        return r.affiliate < 1 || r.affiliate > affiliates || !network.has(r.affiliate);
    });
    lower_volumes(refunds, volume);
    return volumes;
}

ReferralTree activity_tree(const AppState& state) {
    RecordFile affiliates = open_input(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    return affiliates.isOpen() ? ReferralTree::fromFile(affiliates) : ReferralTree{};
}

std::vector<ActivityRecord> build_activity(const AppState& state, const DateRange& range,
                                           Progress& progress) {
    return build_activity(state, range, activity_tree(state), progress);
}

}  // namespace qdx
