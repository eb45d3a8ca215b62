#include "core/accounts.h"

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
    for (size_t k = 1; k < records.size(); ++k) records[k].encode(bytes.data() + (k - 1) * R::kSize);
    file.writeBlock(1, bytes.data(), records.size() - 1);
}

void scan_money(const AppState& state, const char* name,
                const std::function<void(const MoneyRecord&)>& visit) {
    RecordFile f = open_input(state.dataFile(name), MoneyRecord::kSize);
    if (!f.isOpen()) return;
    f.scan(1, f.count(), [&](int64_t, const uint8_t* bytes) {
        MoneyRecord m{le::get_i32(bytes), le::get_f32(bytes + 4), le::get_f64(bytes + 8)};
        if (in_range(state, m.date)) visit(m);
    });
}

}  // namespace

void build_accounts(const AppState& state) {
    RecordFile accountsFile(state.workFile(file::kAccounts), AccountRecord::kSize);
    ReferralTree tree = ReferralTree::load(state);
    const int32_t n = tree.count();
    std::vector<AccountRecord> accounts(static_cast<size_t>(n) + 1);

    // Per-level rewards of a sale, computed once a sale.
    scan_money(state, file::kSales, [&](const MoneyRecord& sale) {
        int64_t b = sale.affiliateId;
        for (int level = 1; level <= 8; ++level) {
            if (level > 1) b = tree.referrerOf(b);
            if (!tree.contains(b)) break;  // end of the chain, or an ID not on file
            auto& income = accounts[static_cast<size_t>(b)].income;
            income = add_single(income, level_reward(state.settings, level, sale.sum));
        }
    });
    scan_money(state, file::kPayments, [&](const MoneyRecord& payment) {
        if (!tree.contains(payment.affiliateId)) return;
        auto& paid = accounts[static_cast<size_t>(payment.affiliateId)].payments;
        paid = add_single(paid, payment.sum);
    });
    write_records(accountsFile, accounts);
}

void build_activity(const AppState& state) {
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
    scan_money(state, file::kSales, [&](const MoneyRecord& sale) {
        if (!tree.contains(sale.affiliateId)) return;
        auto& volume = activity[static_cast<size_t>(sale.affiliateId)].volume;
        volume = add_single(volume, sale.sum);
    });
    write_records(activityFile, activity);
}

}  // namespace qdx
