#include "core/refunds.h"

#include <cmath>

#include "core/files.h"
#include "core/record_file.h"
#include "core/regional.h"

namespace qdx {

void RefundRecord::encode(uint8_t* out) const {
    le::put_i32(out + 0, sale);
    le::put_f32(out + 4, sum);
    le::put_f64(out + 8, date);
}

RefundRecord RefundRecord::decode(const uint8_t* in) {
    return {le::get_i32(in + 0), le::get_f32(in + 4), le::get_f64(in + 8)};
}

float refund_reward(const Settings& settings, int level, float refunded, float saleSum) {
    const double r = settings.rewards[static_cast<size_t>(level)];
    if (settings.payType == 1) return static_cast<float>(r * static_cast<double>(refunded) / 100.0);
    // A full refund takes the whole reward back, exactly.
    if (refunded == saleSum) return static_cast<float>(r);
    return static_cast<float>(r * static_cast<double>(refunded) / static_cast<double>(saleSum));
}

namespace {

// Refunds named in a notice one by one; the rest are counted.
constexpr size_t kNamedAtMost = 5;

std::string sum_text(float sum, const Regional& regional) {
    if (std::isnan(sum)) return "NaN";
    if (std::isinf(sum)) return sum > 0 ? "inf" : "-inf";
    return format_single(sum, regional);
}

}  // namespace

std::string RefundsInRange::notice() const {
    if (skipped.empty()) return {};
    std::string text = skipped.size() == 1 ? "1 refund of the range is left out: "
                                           : std::to_string(skipped.size()) +
                                                 " refunds of the range are left out: ";
    for (size_t i = 0; i < skipped.size() && i < kNamedAtMost; ++i)
        text += (i > 0 ? "; " : "") + skipped[i];
    if (skipped.size() > kNamedAtMost)
        text += "; and " + std::to_string(skipped.size() - kNamedAtMost) + " more";
    return text + ". Correct them in the Refunds window.";
}

RefundsInRange refunds_in_range(const AppState& state, double from, double to,
                                int32_t affiliateCount) {
    RefundsInRange result;
    const auto path = state.dataFile(file::kRefunds);
    if (!file_exists(path)) return result;
    RecordFile refunds(path, RefundRecord::kSize);
    const int64_t count = refunds.count();
    if (refunds.sizeInBytes() % RefundRecord::kSize != 0)
        result.skipped.push_back("the file ends in part of a record (" +
                                 std::to_string(refunds.sizeInBytes() % RefundRecord::kSize) +
                                 " bytes after record " + std::to_string(count) + ")");
    const auto salesPath = state.dataFile(file::kSales);
    RecordFile sales;
    if (file_exists(salesPath)) sales.open(salesPath, MoneyRecord::kSize);
    const int64_t saleCount = sales.isOpen() ? sales.count() : 0;
    refunds.scan(1, count, [&](int64_t k, const uint8_t* bytes) {
        const RefundRecord refund = RefundRecord::decode(bytes);
        if (!(from <= refund.date && refund.date <= to)) return;
        const std::string which = "refund " + std::to_string(k);
        if (refund.sale < 1 || refund.sale > saleCount) {
            result.skipped.push_back(which + " names sale " + std::to_string(refund.sale) +
                                     ", which the sales file does not hold");
            return;
        }
        uint8_t saleBytes[MoneyRecord::kSize];
        sales.readRaw(refund.sale, saleBytes);
        const MoneyRecord sale = MoneyRecord::decode(saleBytes);
        if (!(refund.sum > 0) || !std::isfinite(refund.sum)) {
            result.skipped.push_back(which + " has the sum " +
                                     sum_text(refund.sum, state.regional) +
                                     ", not a number above 0");
            return;
        }
        if (!(refund.sum <= sale.sum)) {
            result.skipped.push_back(which + " takes back more than its sale " +
                                     std::to_string(refund.sale) + " holds");
            return;
        }
        // Sales of an affiliate not on file pay nobody, so their refunds take nothing back.
        if (sale.affiliateId < 1 || sale.affiliateId > affiliateCount) return;
        result.refunds.push_back({k, sale.affiliateId, refund.sum, sale.sum, refund.date});
    });
    return result;
}

double sale_left(const AppState& state, int32_t sale, float saleSum) {
    double left = saleSum;
    const auto path = state.dataFile(file::kRefunds);
    if (!file_exists(path)) return left;
    RecordFile refunds(path, RefundRecord::kSize);
    refunds.scan(1, refunds.count(), [&](int64_t, const uint8_t* bytes) {
        const RefundRecord refund = RefundRecord::decode(bytes);
        if (refund.sale == sale && std::isfinite(refund.sum)) left -= refund.sum;
    });
    return left;
}

}  // namespace qdx
