#include "core/corrections.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

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

void VoidRecord::encode(uint8_t* out) const {
    le::put_i32(out + 0, payment);
    le::put_f32(out + 4, sum);
    le::put_f64(out + 8, date);
}

VoidRecord VoidRecord::decode(const uint8_t* in) {
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

// Corrections named in a notice one by one; the rest are counted.
constexpr size_t kNamedAtMost = 5;

std::string sum_text(float sum, const Regional& regional) {
    if (std::isnan(sum)) return "NaN";
    if (std::isinf(sum)) return sum > 0 ? "inf" : "-inf";
    return format_single(sum, regional);
}

// What tells one kind of correction from the other.
struct CorrectionKind {
    const char* file;        // the corrections
    const char* targetFile;  // what they correct
    const char* noun;        // "refund"
    const char* targetNoun;  // "sale"
};
constexpr CorrectionKind kRefundKind{file::kRefunds, file::kSales, "refund", "sale"};
constexpr CorrectionKind kVoidKind{file::kVoids, file::kPayments, "void", "payment"};

// Records `numbers` (sorted, each on file) of `targets`, in that order. Close
// numbers are read together: a block of up to kGap records between two is
// cheaper than a read of its own.
std::vector<MoneyRecord> read_targets(const RecordFile& targets,
                                      const std::vector<int32_t>& numbers) {
    constexpr int32_t kGap = 4096;
    std::vector<MoneyRecord> found(numbers.size());
    size_t at = 0;
    while (at < numbers.size()) {
        size_t last = at;
        while (last + 1 < numbers.size() && numbers[last + 1] - numbers[last] <= kGap) ++last;
        targets.scanBlocks(
            numbers[at], numbers[last], [&](int64_t first, const uint8_t* bytes, size_t n) {
                for (; at <= last && numbers[at] < first + static_cast<int64_t>(n); ++at)
                    found[at] = MoneyRecord::decode(
                        bytes + static_cast<size_t>(numbers[at] - first) * MoneyRecord::kSize);
            });
        at = last + 1;
    }
    return found;
}

// Both layouts are the corrected record's number, the sum and the date.
CorrectionsInRange corrections_in_range(const AppState& state, const CorrectionKind& kind,
                                        double from, double to, int32_t affiliateCount,
                                        int32_t holdDays) {
    CorrectionsInRange result;
    const auto path = state.dataFile(kind.file);
    if (!file_exists(path)) return result;
    RecordFile corrections(path, RefundRecord::kSize);
    const int64_t count = corrections.count();
    if (const uint64_t tail = corrections.sizeInBytes() % RefundRecord::kSize; tail != 0)
        result.skipped.push_back(std::string(kind.file) + " ends in part of a record (" +
                                 std::to_string(tail) + " bytes after record " +
                                 std::to_string(count) + ")");
    const auto targetsPath = state.dataFile(kind.targetFile);
    RecordFile targets;
    if (file_exists(targetsPath)) targets.open(targetsPath, MoneyRecord::kSize);
    const int64_t targetCount = targets.isOpen() ? targets.count() : 0;
    auto in_range = [&](double date) { return from <= date && date <= to; };
    // The corrections that may count, then what they correct read in one
    // pass of blocks, so that no record is read on its own.
    std::vector<std::pair<int64_t, RefundRecord>> candidates;
    corrections.scan(1, count, [&](int64_t k, const uint8_t* bytes) {
        const RefundRecord c = RefundRecord::decode(bytes);
        if (holdDays == 0 && !in_range(c.date)) return;
        candidates.emplace_back(k, c);
    });
    std::vector<int32_t> needed;
    for (const auto& [k, c] : candidates)
        if (c.sale >= 1 && c.sale <= targetCount) needed.push_back(c.sale);
    std::sort(needed.begin(), needed.end());
    needed.erase(std::unique(needed.begin(), needed.end()), needed.end());
    const std::vector<MoneyRecord> found = read_targets(targets, needed);

    for (const auto& [k, c] : candidates) {
        const bool onFile = c.sale >= 1 && c.sale <= targetCount;
        MoneyRecord target;
        if (onFile)
            target = found[static_cast<size_t>(
                std::lower_bound(needed.begin(), needed.end(), c.sale) - needed.begin())];
        if (holdDays > 0) {
            // A NaN sale date leaves the refund's own.
            const double payable = target.date + holdDays;
            if (!in_range(onFile && c.date < payable ? payable : c.date)) continue;
        }
        if (!onFile) {
            result.skipped.push_back(kind.noun + (" " + std::to_string(k)) + " names " +
                                     kind.targetNoun + " " + std::to_string(c.sale) + ", which " +
                                     kind.targetFile + " does not hold");
            continue;
        }
        if (!(c.sum > 0) || !std::isfinite(c.sum)) {
            result.skipped.push_back(kind.noun + (" " + std::to_string(k)) + " has the sum " +
                                     sum_text(c.sum, state.regional) + ", not a number above 0");
            continue;
        }
        if (!(c.sum <= target.sum)) {
            result.skipped.push_back(kind.noun + (" " + std::to_string(k)) +
                                     " takes back more than its " + kind.targetNoun + " " +
                                     std::to_string(c.sale) + " holds");
            continue;
        }
        if (target.affiliateId < 1 || target.affiliateId > affiliateCount) continue;
        result.corrections.push_back({k, c.sale, target.affiliateId, c.sum, target.sum, c.date});
    }
    return result;
}

}  // namespace

std::string CorrectionsInRange::notice() const {
    if (skipped.empty()) return {};
    std::string text = skipped.size() == 1 ? "1 correction of the range is left out: "
                                           : std::to_string(skipped.size()) +
                                                 " corrections of the range are left out: ";
    for (size_t i = 0; i < skipped.size() && i < kNamedAtMost; ++i)
        text += (i > 0 ? "; " : "") + skipped[i];
    if (skipped.size() > kNamedAtMost)
        text += "; and " + std::to_string(skipped.size() - kNamedAtMost) + " more";
    return text + ". qdx-check names every damaged record.";
}

CorrectionsInRange refunds_in_range(const AppState& state, double from, double to,
                                    int32_t affiliateCount, int32_t holdDays) {
    return corrections_in_range(state, kRefundKind, from, to, affiliateCount, holdDays);
}

CorrectionsInRange voids_in_range(const AppState& state, double from, double to,
                                  int32_t affiliateCount) {
    return corrections_in_range(state, kVoidKind, from, to, affiliateCount, 0);
}

}  // namespace qdx
