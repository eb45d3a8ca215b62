// The commission and activity computations exactly as the record-by-record
// procedure reads: every account update reads and writes one record, and
// every referrer lookup opens the affiliates file.
#include "core/accounts.h"
#include "core/corrections.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/tree.h"

namespace qdx {

namespace {

void credit(RecordFile& accounts, int32_t id, float amount, bool income) {
    auto a = accounts.read<AccountRecord>(id);
    if (income)
        a.income = add_single(a.income, amount);
    else
        a.payments = add_single(a.payments, amount);
    accounts.write(id, a);
}

}  // namespace

void build_accounts_literal(const AppState& state, const DateRange& range, int32_t holdDays) {
    // The sales are those of the days a hold puts before the range.
    const DateRange earned = range.before(holdDays);
    RecordFile accounts(state.workFile(file::kAccounts), AccountRecord::kSize);
    const int32_t n = count_affiliates(state);
    for (int32_t k = 1; k <= n; ++k) accounts.write(k, AccountRecord{});

    RecordFile sales = open_input(state.dataFile(file::kSales), MoneyRecord::kSize);
    for (int64_t i = 1; sales.isOpen() && i <= sales.count(); ++i) {
        auto sale = sales.read<MoneyRecord>(i);
        if (!earned.contains(sale.date)) continue;
        int32_t b = sale.affiliateId;
        if (b < 1 || b > n) continue;
        credit(accounts, b, level_reward(state.settings, 1, sale.sum), true);
        for (int level = 2; level <= 8; ++level) {
            b = get_referrer(state, b);
            if (b == 0) break;
            if (b < 1 || b > n) break;
            credit(accounts, b, level_reward(state.settings, level, sale.sum), true);
        }
    }
    sales.close();

    for (const RangeCorrection& refund : refunds_in_range(state, range, n, holdDays).corrections) {
        int32_t b = refund.affiliate;
        for (int level = 1; level <= 8 && b >= 1 && b <= n; ++level) {
            credit(accounts, b, -refund_reward(state.settings, level, refund.sum, refund.targetSum),
                   true);
            b = get_referrer(state, b);
        }
    }

    RecordFile payments = open_input(state.dataFile(file::kPayments), MoneyRecord::kSize);
    for (int64_t i = 1; payments.isOpen() && i <= payments.count(); ++i) {
        auto p = payments.read<MoneyRecord>(i);
        if (!range.contains(p.date) || p.affiliateId < 1 || p.affiliateId > n) continue;
        credit(accounts, p.affiliateId, p.sum, false);
    }
    for (const RangeCorrection& v : voids_in_range(state, range, n).corrections)
        credit(accounts, v.affiliate, -v.sum, false);
}

void build_activity_literal(const AppState& state, const DateRange& range) {
    RecordFile affiliates = open_input(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    const int64_t n = affiliates.isOpen() ? affiliates.count() : 0;
    RecordFile activity(state.workFile(file::kActivity), ActivityRecord::kSize);
    for (int64_t k = 1; k <= n; ++k) activity.write(k, ActivityRecord{});
    for (int64_t k = 1; k <= n; ++k) {
        auto a = affiliates.read<AffiliateRecord>(k);
        int32_t r = a.referrerId;
        if (r == 0 || !range.contains(a.date) || r < 1 || r > n) continue;
        auto rec = activity.read<ActivityRecord>(r);
        ++rec.newReferrals;
        activity.write(r, rec);
    }
    affiliates.close();

    RecordFile sales = open_input(state.dataFile(file::kSales), MoneyRecord::kSize);
    for (int64_t i = 1; sales.isOpen() && i <= sales.count(); ++i) {
        auto sale = sales.read<MoneyRecord>(i);
        if (!range.contains(sale.date) || sale.affiliateId < 1 || sale.affiliateId > n) continue;
        auto rec = activity.read<ActivityRecord>(sale.affiliateId);
        rec.volume = add_single(rec.volume, sale.sum);
        activity.write(sale.affiliateId, rec);
    }
    for (const RangeCorrection& refund :
         refunds_in_range(state, range, static_cast<int32_t>(n)).corrections) {
        auto rec = activity.read<ActivityRecord>(refund.affiliate);
        rec.volume = add_single(rec.volume, -refund.sum);
        activity.write(refund.affiliate, rec);
    }
}

}  // namespace qdx
