#include "core/accounts.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <stop_token>
#include <thread>
#include <vector>

#include "core/corrections.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/tree.h"

namespace qdx {

float level_reward(const Settings& settings, int level, float sum) {
    float r = settings.rewards[static_cast<size_t>(level)];
    if (settings.payType == 1)
        return static_cast<float>(static_cast<double>(r) * static_cast<double>(sum) / 100.0);
    return r;
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

constexpr size_t kLevels = 8;

// For every affiliate, the IDs credited for its sales at levels 1..8: itself
// and up to seven referrers above it, 0 after the end of the chain or an ID
// that is not on file. Derived from the referrer's row when the referrer
// comes earlier in the file, walked otherwise (forward IDs, cycles).
std::vector<int32_t> upline_table(const ReferralTree& tree) {
    const int32_t n = tree.count();
    std::vector<int32_t> up((static_cast<size_t>(n) + 1) * kLevels, 0);
    for (int32_t k = 1; k <= n; ++k) {
        int32_t* row = &up[static_cast<size_t>(k) * kLevels];
        row[0] = k;
        int32_t r = tree.referrerOf(k);
        if (!tree.contains(r)) continue;
        if (r < k) {
            const int32_t* above = &up[static_cast<size_t>(r) * kLevels];
            for (size_t j = 1; j < kLevels; ++j) row[j] = above[j - 1];
            continue;
        }
        int64_t b = k;
        for (size_t j = 1; j < kLevels; ++j) {
            b = tree.referrerOf(b);
            if (!tree.contains(b)) break;
            row[j] = static_cast<int32_t>(b);
        }
    }
    return up;
}

// The deepest level whose reward can change an income: a level whose reward
// is 0 adds exactly nothing, so the walk may stop above it.
size_t deepest_paying_level(const Settings& settings) {
    for (size_t level = kLevels; level >= 1; --level)
        if (settings.rewards[level] != 0) return level;
    return 0;
}

// A sale in the range whose affiliate is on file.
struct CountedSale {
    int32_t id;
    float sum;
};

// Calls work(0..threads-1), each on a thread of its own (0 on the caller's).
template <class Work>
void run_on(size_t threads, const Work& work) {
    std::vector<std::jthread> others;
    for (size_t t = 1; t < threads; ++t) others.emplace_back([&work, t] { work(t); });
    work(0);
}

// One commission for an account.
struct Credit {
    int32_t account;
    float amount;
};

// Adds the commissions of `sales` (in record order) into `income`. The
// credits of a stretch of sales are first dealt into bands of accounts small
// enough to stay in the cache, keeping their order, and then added band by
// band, so every account still sees its additions in record order. The
// threads split the stretch's sales for the dealing and the bands for the adding.
void add_commissions(const std::vector<CountedSale>& sales, const std::vector<int32_t>& up,
                     const Settings& settings, size_t deepest, std::vector<float>& income,
                     size_t threads, const std::stop_token& stop) {
    const size_t n = income.size() - 1;
    const int shift = std::max(1, static_cast<int>(std::bit_width(n)) - 4);
    const size_t bands = (n >> shift) + 1;
    // credits[part][band]: what part `part` of the stretch credits to the band.
    std::vector<std::vector<std::vector<Credit>>> credits(threads,
                                                          std::vector<std::vector<Credit>>(bands));
    auto row_of = [&](size_t i) { return &up[static_cast<size_t>(sales[i].id) * kLevels]; };
    auto deal = [&](size_t part, size_t begin, size_t end) {
        auto& mine = credits[part];
        for (auto& band : mine) band.clear();
        constexpr size_t kRowAhead = 16;  // rows fetched early, so the memory works in parallel
        for (size_t i = begin; i < end; ++i) {
            if (i + kRowAhead < end) __builtin_prefetch(row_of(i + kRowAhead));
            const int32_t* row = row_of(i);
            const float sum = sales[i].sum;
            // A sum that is not finite makes even a 0 % reward count.
            const size_t levels = settings.payType == 1 && !std::isfinite(sum) ? kLevels : deepest;
            for (size_t j = 0; j < levels && row[j] != 0; ++j)
                mine[static_cast<size_t>(row[j]) >> shift].push_back(
                    {row[j], level_reward(settings, static_cast<int>(j + 1), sum)});
        }
    };
    auto add = [&](size_t firstBand) {
        for (size_t band = firstBand; band < bands; band += threads)
            for (size_t part = 0; part < threads; ++part)
                for (const Credit& c : credits[part][band]) {
                    float& total = income[static_cast<size_t>(c.account)];
                    total = add_single(total, c.amount);
                }
    };
    constexpr size_t kStretch = size_t{1} << 18;
    for (size_t begin = 0; begin < sales.size() && !stop.stop_requested(); begin += kStretch) {
        const size_t length = std::min(kStretch, sales.size() - begin);
        run_on(threads, [&](size_t t) {
            deal(t, begin + length * t / threads, begin + length * (t + 1) / threads);
        });
        run_on(threads, add);
    }
}

// Takes back what each refund's sale paid, on the sale's own walk up the
// tree, refund after refund in record order.
void take_back(const std::vector<RangeCorrection>& refunds, const std::vector<int32_t>& up,
               const Settings& settings, size_t deepest, std::vector<float>& income) {
    for (const RangeCorrection& refund : refunds) {
        const int32_t* row = &up[static_cast<size_t>(refund.affiliate) * kLevels];
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
    const size_t deepest = deepest_paying_level(settings);
    AccountTotals totals;
    if (ownSales) totals.ownSales.assign(static_cast<size_t>(n) + 1, 0.0f);

    // One pass over the sales keeps those in the range, in record order, a
    // batch at a time; the date is the only thing looked at for the others.
    // Each batch's commissions are added before the next is read, so the
    // accounts see their additions in record order.
    const std::vector<int32_t> up = upline_table(tree);
    totals.income.assign(static_cast<size_t>(n) + 1, 0.0f);
    const size_t cores = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 16);
    std::vector<CountedSale> counted;
    constexpr size_t kBatch = size_t{1} << 20;
    auto add_batch = [&] {
        // (A few hundred sales are already worth a second thread.)
        constexpr size_t kFewSales = 128;
        const size_t threads = counted.size() < kFewSales ? 1 : cores;
        add_commissions(counted, up, settings, deepest, totals.income, threads, progress.token());
        progress.check();
        counted.clear();
    };
    counted.reserve(kBatch);
    // The sales of the range, or of the days a hold puts before it.
    const DateRange earned = range.before(holdDays);
    // The refunds are read first, so that this pass also keeps the sales they name.
    PendingCorrections pending = PendingCorrections::refunds(state, range, holdDays);
    RecordFile sales = open_input(state.dataFile(file::kSales), MoneyRecord::kSize);
    if (sales.isOpen()) {
        progress.stage("Adding up the sales", sales.count(), "sales");
        sales.scanBlocks(1, sales.count(), [&](int64_t first, const uint8_t* bytes, size_t count) {
            progress.step(first - 1);
            for (size_t i = 0; i < count; ++i, bytes += MoneyRecord::kSize) {
                pending.see(first + static_cast<int64_t>(i), bytes);
                if (!earned.contains(layout::get<layout::money::kDate>(bytes))) continue;
                const int32_t id = layout::get<layout::money::kAffiliateId>(bytes);
                if (!tree.contains(id)) continue;
                const float sum = layout::get<layout::money::kSum>(bytes);
                counted.push_back({id, sum});
                if (ownSales) {
                    float& volume = totals.ownSales[static_cast<size_t>(id)];
                    volume = add_single(volume, sum);
                }
            }
            if (counted.size() >= kBatch) add_batch();
        });
    }
    sales.close();
    add_batch();
    counted = {};
    // Refunds come after the sales of the range.
    CorrectionsInRange refunds = pending.finish(n);
    take_back(refunds.corrections, up, settings, deepest, totals.income);
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
        account_totals(state, range, ReferralTree::load(state), false, progress, holdDays);
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
    // The sales in the range are gathered first, then added with the
    // accounts of the sales a few ahead already on their way from memory.
    std::vector<CountedSale> sales;
    scan_money(state, range, file::kSales, progress, "Adding up the sales",
               [&](int32_t id, float sum) {
                   if (tree.contains(id)) sales.push_back({id, sum});
               });
    constexpr size_t kAhead = 8;
    for (size_t i = 0; i < sales.size(); ++i) {
        if (i + kAhead < sales.size())
            __builtin_prefetch(&activity[static_cast<size_t>(sales[i + kAhead].id)], 1);
        auto& volume = activity[static_cast<size_t>(sales[i].id)].volume;
        volume = add_single(volume, sales[i].sum);
    }
    lower_volumes(refunds_in_range(state, range, n).corrections,
                  [&](int32_t id) -> float& { return activity[static_cast<size_t>(id)].volume; });
    write_records(activityFile, activity);
    return activity;
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
