#include "core/accounts.h"

#include <cmath>
#include <vector>

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
void scan_money(const AppState& state, const char* name, Progress& progress, const char* stage,
                Visit visit) {
    RecordFile f = open_input(state.dataFile(name), MoneyRecord::kSize);
    if (!f.isOpen()) return;
    progress.stage(stage, f.count(), "records");
    f.scanBlocks(1, f.count(), [&](int64_t first, const uint8_t* bytes, size_t n) {
        progress.step(first - 1);
        for (size_t i = 0; i < n; ++i, bytes += MoneyRecord::kSize)
            if (in_range(state, le::get_f64(bytes + 8)))
                visit(le::get_i32(bytes), le::get_f32(bytes + 4));
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

}  // namespace

AccountTotals account_totals(const AppState& state, const ReferralTree& tree, bool ownSales,
                             Progress& progress) {
    const int32_t n = tree.count();
    const std::vector<int32_t> up = upline_table(tree);
    AccountTotals totals;
    std::vector<float>& income = totals.income;
    std::vector<float>& paid = totals.paid;
    income.assign(static_cast<size_t>(n) + 1, 0.0f);
    paid.assign(static_cast<size_t>(n) + 1, 0.0f);
    if (ownSales) totals.ownSales.assign(static_cast<size_t>(n) + 1, 0.0f);
    const Settings& settings = state.settings;
    const size_t deepest = deepest_paying_level(settings);

    // Sales touch accounts all over the table; the rows and accounts of the
    // sales a few records ahead are fetched early so the memory works in parallel.
    auto row_of = [&](const uint8_t* sale) -> const int32_t* {
        int32_t id = le::get_i32(sale);
        return tree.contains(id) ? &up[static_cast<size_t>(id) * kLevels] : nullptr;
    };
    RecordFile sales = open_input(state.dataFile(file::kSales), MoneyRecord::kSize);
    if (sales.isOpen()) {
        progress.stage("Adding up the sales", sales.count(), "sales");
        sales.scanBlocks(1, sales.count(), [&](int64_t first, const uint8_t* bytes, size_t count) {
            progress.step(first - 1);
            constexpr size_t kRowAhead = 16, kAccountsAhead = 8;
            for (size_t i = 0; i < count; ++i) {
                const uint8_t* sale = bytes + i * MoneyRecord::kSize;
                if (i + kRowAhead < count)
                    if (const int32_t* r = row_of(sale + kRowAhead * MoneyRecord::kSize))
                        __builtin_prefetch(r);
                if (i + kAccountsAhead < count)
                    if (const int32_t* r = row_of(sale + kAccountsAhead * MoneyRecord::kSize))
                        for (size_t j = 0; j < deepest && r[j] != 0; ++j)
                            __builtin_prefetch(&income[static_cast<size_t>(r[j])], 1);
                if (!in_range(state, le::get_f64(sale + 8))) continue;
                const int32_t* row = row_of(sale);
                if (!row) continue;
                float sum = le::get_f32(sale + 4);
                if (ownSales) {
                    float& volume = totals.ownSales[static_cast<size_t>(row[0])];
                    volume = add_single(volume, sum);
                }
                // A sum that is not finite makes even a 0 % reward count.
                size_t levels = settings.payType == 1 && !std::isfinite(sum) ? kLevels : deepest;
                for (size_t j = 0; j < levels && row[j] != 0; ++j) {
                    float& total = income[static_cast<size_t>(row[j])];
                    total = add_single(total, level_reward(settings, static_cast<int>(j + 1), sum));
                }
            }
        });
    }
    sales.close();
    scan_money(state, file::kPayments, progress, "Adding up the payments",
               [&](int32_t id, float sum) {
                   if (!tree.contains(id)) return;
                   float& total = paid[static_cast<size_t>(id)];
                   total = add_single(total, sum);
               });
    return totals;
}

void build_accounts(const AppState& state, Progress& progress) {
    RecordFile accountsFile(state.workFile(file::kAccounts), AccountRecord::kSize);
    const AccountTotals totals = account_totals(state, ReferralTree::load(state), false, progress);
    std::vector<AccountRecord> accounts(totals.income.size());
    for (size_t k = 1; k < accounts.size(); ++k) accounts[k] = {totals.income[k], totals.paid[k]};
    write_records(accountsFile, accounts);
}

void build_activity(const AppState& state, Progress& progress) {
    RecordFile affiliates = open_input(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    ReferralTree tree = affiliates.isOpen() ? ReferralTree::fromFile(affiliates) : ReferralTree{};
    affiliates.close();
    const int32_t n = tree.count();
    RecordFile activityFile(state.workFile(file::kActivity), ActivityRecord::kSize);
    std::vector<ActivityRecord> activity(static_cast<size_t>(n) + 1);

    for (int32_t k = 1; k <= n; ++k) {
        int32_t r = tree.referrerOf(k);
        if (r != 0 && in_range(state, tree.dateOf(k)) && tree.contains(r))
            ++activity[static_cast<size_t>(r)].newReferrals;
    }
    scan_money(state, file::kSales, progress, "Adding up the sales", [&](int32_t id, float sum) {
        if (!tree.contains(id)) return;
        auto& volume = activity[static_cast<size_t>(id)].volume;
        volume = add_single(volume, sum);
    });
    write_records(activityFile, activity);
}

}  // namespace qdx
