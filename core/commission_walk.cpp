#include "core/commission_walk.h"

#include <algorithm>
#include <cmath>

#include "core/accounts.h"
#include "core/parallel.h"
#include "core/record_layouts.h"
#include "core/records.h"
#include "core/tree.h"

namespace qdx {

UplineTable::UplineTable(const ReferralTree& tree)
    : count_(tree.count()), up_((static_cast<size_t>(tree.count()) + 1) * kCommissionLevels, 0) {
    // A row is derived from the referrer's when the referrer comes earlier in
    // the file, and walked otherwise (forward IDs, cycles).
    for (int32_t k = 1; k <= count_; ++k) {
        int32_t* row = &up_[static_cast<size_t>(k) * kCommissionLevels];
        row[0] = k;
        const int32_t r = tree.referrerOf(k);
        if (!tree.contains(r)) continue;
        if (r < k) {
            const int32_t* above = this->row(r);
            for (size_t j = 1; j < kCommissionLevels; ++j) row[j] = above[j - 1];
            continue;
        }
        int64_t b = k;
        for (size_t j = 1; j < kCommissionLevels; ++j) {
            b = tree.referrerOf(b);
            if (!tree.contains(b)) break;
            row[j] = static_cast<int32_t>(b);
        }
    }
}

LevelRewards::LevelRewards(const Settings& settings) : percent_(settings.payType == 1) {
    for (size_t level = 1; level <= kCommissionLevels; ++level) {
        rewards_[level] = settings.rewards[level];
        if (rewards_[level] != 0) deepest_ = level;
    }
}

size_t LevelRewards::levelsFor(float sum) const {
    return percent_ && !std::isfinite(sum) ? kCommissionLevels : deepest_;
}

namespace {

// One addition to an account: income, or (account < 0) the own sales volume
// of affiliate ~account.
struct Credit {
    int32_t account;
    float amount;
};

// Accounts are added a band at a time, a band's totals small enough to stay
// in a core's cache.
constexpr int kBandShift = 16;
// Records read and dealt before their credits are added: adding a window
// brings every band's totals into the cache once, so a window holds about a
// credit for every account (a fourth of the accounts in sales), and at least
// 2^18 sales.
int64_t window_for(int32_t accounts) { return std::max<int64_t>(int64_t{1} << 18, accounts / 4); }
// Rows fetched this many sales early, so that memory works on several at once.
constexpr size_t kRowAhead = 16;

using Bands = std::vector<std::vector<Credit>>;

// Deals the credits of records first..last into `bands`, in record order.
void deal(const RecordFile& sales, int64_t first, int64_t last, const DateRange& earned, int32_t n,
          const SalesSums& sums, Bands& bands) {
    for (auto& band : bands) band.clear();
    const DateRange days = earned;  // a copy, which the loop keeps in registers
    const bool own = sums.ownSales != nullptr;
    const UplineTable* upline = sums.income ? sums.up : nullptr;
    sales.scanBlocks(first, last, [&](int64_t, const uint8_t* bytes, size_t count) {
        for (size_t i = 0; i < count; ++i, bytes += MoneyRecord::kSize) {
            // (Only the rows of sales in the range: a month's among a year's are few.)
            if (upline && i + kRowAhead < count) {
                const uint8_t* next = bytes + kRowAhead * MoneyRecord::kSize;
                const int32_t ahead = layout::get<layout::money::kAffiliateId>(next);
                if (ahead >= 1 && ahead <= n &&
                    days.contains(layout::get<layout::money::kDate>(next)))
                    __builtin_prefetch(upline->row(ahead));
            }
            if (!days.contains(layout::get<layout::money::kDate>(bytes))) continue;
            const int32_t id = layout::get<layout::money::kAffiliateId>(bytes);
            if (id < 1 || id > n) continue;
            const float sum = layout::get<layout::money::kSum>(bytes);
            if (own) bands[static_cast<size_t>(id) >> kBandShift].push_back({~id, sum});
            if (!upline) continue;
            const int32_t* row = upline->row(id);
            const LevelRewards& rewards = *sums.rewards;
            const size_t levels = rewards.levelsFor(sum);
            for (size_t j = 0; j < levels && row[j] != 0; ++j)
                bands[static_cast<size_t>(row[j]) >> kBandShift].push_back(
                    {row[j], rewards.at(j + 1, sum)});
        }
    });
}

}  // namespace

void add_sales(const RecordFile& sales, const DateRange& earned, int32_t affiliates,
               const SalesSums& sums, Progress& progress) {
    if (!sales.isOpen()) return;
    const int64_t count = sales.count();
    progress.stage("Adding up the sales", count, "sales");
    const size_t bandCount = (static_cast<size_t>(affiliates) >> kBandShift) + 1;
    const size_t cores = core_count();
    // parts[t][band]: what part t of a window credits to the band.
    std::vector<Bands> parts(cores, Bands(bandCount));
    const int64_t window = window_for(affiliates);
    for (int64_t first = 1; first <= count; first += window) {
        progress.step(first - 1);
        const int64_t length = std::min(window, count - first + 1);
        // (A few thousand records are already worth a second thread.)
        const size_t threads = length < 4096 ? 1 : cores;
        // Part t reads a stretch of the window of its own, earlier parts earlier records.
        run_parts(threads, [&](size_t t) {
            const int64_t begin = first + length * static_cast<int64_t>(t) / threads;
            const int64_t end = first + length * static_cast<int64_t>(t + 1) / threads;
            deal(sales, begin, end - 1, earned, affiliates, sums, parts[t]);
        });
        // Each thread adds its bands, taking the parts in record order.
        run_parts(threads, [&](size_t t) {
            for (size_t band = t; band < bandCount; band += threads)
                for (size_t part = 0; part < threads; ++part)
                    for (const Credit& c : parts[part][band]) {
                        float& total = c.account >= 0
                                           ? (*sums.income)[static_cast<size_t>(c.account)]
                                           : (*sums.ownSales)[static_cast<size_t>(~c.account)];
                        total = add_single(total, c.amount);
                    }
        });
    }
}

void scan_member_sales(const RecordFile& sales, const DateRange& earned, int32_t affiliates,
                       const std::vector<uint64_t>& members,
                       const std::function<void(int32_t, float)>& visit, Progress& progress) {
    if (!sales.isOpen()) return;
    const int64_t count = sales.count();
    progress.stage("Adding up the members' sales", count, "sales");
    struct Hit {
        int32_t id;
        float sum;
    };
    const size_t cores = core_count();
    std::vector<std::vector<Hit>> hits(cores);
    // A window's hits are held until they are visited: at most a record's
    // worth for each record of the window.
    const int64_t window = static_cast<int64_t>(cores) << 18;
    const auto n = static_cast<uint32_t>(affiliates);
    const DateRange days = earned;
    const uint64_t* bits = members.data();
    for (int64_t first = 1; first <= count; first += window) {
        progress.step(first - 1);
        const int64_t length = std::min(window, count - first + 1);
        const size_t threads = length < 4096 ? 1 : cores;
        run_parts(threads, [&](size_t t) {
            const int64_t begin = first + length * static_cast<int64_t>(t) / threads;
            const int64_t end = first + length * static_cast<int64_t>(t + 1) / threads;
            std::vector<Hit>& found = hits[t];
            found.clear();
            sales.scanBlocks(begin, end - 1, [&](int64_t, const uint8_t* bytes, size_t records) {
                for (size_t i = 0; i < records; ++i, bytes += MoneyRecord::kSize) {
                    const int32_t id = layout::get<layout::money::kAffiliateId>(bytes);
                    const auto k = static_cast<uint32_t>(id);
                    if (k - 1 >= n || !((bits[k >> 6] >> (k & 63)) & 1)) continue;
                    if (!days.contains(layout::get<layout::money::kDate>(bytes))) continue;
                    found.push_back({id, layout::get<layout::money::kSum>(bytes)});
                }
            });
        });
        for (size_t t = 0; t < threads; ++t)
            for (const Hit& hit : hits[t]) visit(hit.id, hit.sum);
    }
}

}  // namespace qdx
