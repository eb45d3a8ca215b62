#include "core/corrections.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/files.h"
#include "core/record_file.h"
#include "core/regional.h"

namespace qdx {

namespace {
namespace K = layout::correction;
}  // namespace

void RefundRecord::encode(uint8_t* out) const {
    layout::put<K::kTarget>(out, sale);
    layout::put<K::kSum>(out, sum);
    layout::put<K::kDate>(out, date);
}

RefundRecord RefundRecord::decode(const uint8_t* in) {
    return {layout::get<K::kTarget>(in), layout::get<K::kSum>(in), layout::get<K::kDate>(in)};
}

void VoidRecord::encode(uint8_t* out) const {
    layout::put<K::kTarget>(out, payment);
    layout::put<K::kSum>(out, sum);
    layout::put<K::kDate>(out, date);
}

VoidRecord VoidRecord::decode(const uint8_t* in) {
    return {layout::get<K::kTarget>(in), layout::get<K::kSum>(in), layout::get<K::kDate>(in)};
}

float refund_reward(const Settings& settings, int level, float refunded, float saleSum) {
    const double r = settings.rewards[static_cast<size_t>(level)];
    if (settings.payType == 1) return static_cast<float>(r * static_cast<double>(refunded) / 100.0);
    // A full refund takes the whole reward back, exactly.
    if (refunded == saleSum) return static_cast<float>(r);
    return static_cast<float>(r * static_cast<double>(refunded) / static_cast<double>(saleSum));
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

namespace {

// Corrections named in a notice one by one; the rest are counted.
constexpr size_t kNamedAtMost = 5;

std::string sum_text(float sum, const Regional& regional) {
    if (std::isnan(sum)) return "NaN";
    if (std::isinf(sum)) return sum > 0 ? "inf" : "-inf";
    return format_single(sum, regional);
}

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

}  // namespace

// Both layouts are the corrected record's number, the sum and the date.
PendingCorrections::PendingCorrections(const AppState& state, const CorrectionKind& kind,
                                       const DateRange& range, int32_t holdDays)
    : state_(&state), kind_(&kind), range_(range), holdDays_(holdDays) {
    const auto path = state.dataFile(kind.file);
    if (!file_exists(path)) return;
    RecordFile corrections(path, RefundRecord::kSize);
    const int64_t count = corrections.count();
    if (const uint64_t tail = corrections.sizeInBytes() % RefundRecord::kSize; tail != 0)
        skipped_.push_back(std::string(kind.file) + " ends in part of a record (" +
                           std::to_string(tail) + " bytes after record " + std::to_string(count) +
                           ")");
    const auto targetsPath = state.dataFile(kind.targetFile);
    if (file_exists(targetsPath))
        targetCount_ = RecordFile(targetsPath, MoneyRecord::kSize).count();
    corrections.scan(1, count, [&](int64_t k, const uint8_t* bytes) {
        const RefundRecord c = RefundRecord::decode(bytes);
        if (holdDays == 0 && !range.contains(c.date)) return;
        candidates_.emplace_back(k, c);
    });
    for (const auto& [k, c] : candidates_)
        if (c.sale >= 1 && c.sale <= targetCount_) needed_.push_back(c.sale);
    std::sort(needed_.begin(), needed_.end());
    needed_.erase(std::unique(needed_.begin(), needed_.end()), needed_.end());
    found_.resize(needed_.size());
    seen_.assign(needed_.size(), false);
}

PendingCorrections PendingCorrections::refunds(const AppState& state, const DateRange& range,
                                               int32_t holdDays) {
    return PendingCorrections(state, kRefundKind, range, holdDays);
}

PendingCorrections PendingCorrections::voids(const AppState& state, const DateRange& range) {
    return PendingCorrections(state, kVoidKind, range, 0);
}

void PendingCorrections::keep(const uint8_t* bytes) {
    found_[next_] = MoneyRecord::decode(bytes);
    seen_[next_] = true;
    ++next_;
}

CorrectionsInRange PendingCorrections::finish(int32_t affiliateCount) {
    const CorrectionKind& kind = *kind_;
    CorrectionsInRange result;
    result.skipped = std::move(skipped_);
    // What no pass came to is read now, in blocks.
    std::vector<int32_t> unseen;
    for (size_t i = 0; i < needed_.size(); ++i)
        if (!seen_[i]) unseen.push_back(needed_[i]);
    if (!unseen.empty()) {
        const RecordFile targets(state_->dataFile(kind.targetFile), MoneyRecord::kSize);
        const std::vector<MoneyRecord> read = read_targets(targets, unseen);
        for (size_t i = 0, u = 0; i < needed_.size(); ++i)
            if (!seen_[i]) found_[i] = read[u++];
    }
    for (const auto& [k, c] : candidates_) {
        const bool onFile = c.sale >= 1 && c.sale <= targetCount_;
        MoneyRecord target;
        if (onFile)
            target = found_[static_cast<size_t>(
                std::lower_bound(needed_.begin(), needed_.end(), c.sale) - needed_.begin())];
        if (holdDays_ > 0) {
            // A NaN sale date leaves the refund's own.
            const double payable = target.date + holdDays_;
            if (!range_.contains(onFile && c.date < payable ? payable : c.date)) continue;
        }
        if (!onFile) {
            result.skipped.push_back(kind.noun + (" " + std::to_string(k)) + " names " +
                                     kind.targetNoun + " " + std::to_string(c.sale) + ", which " +
                                     kind.targetFile + " does not hold");
            continue;
        }
        if (!(c.sum > 0) || !std::isfinite(c.sum)) {
            result.skipped.push_back(kind.noun + (" " + std::to_string(k)) + " has the sum " +
                                     sum_text(c.sum, state_->regional) + ", not a number above 0");
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

CorrectionsInRange refunds_in_range(const AppState& state, const DateRange& range,
                                    int32_t affiliateCount, int32_t holdDays) {
    return PendingCorrections::refunds(state, range, holdDays).finish(affiliateCount);
}

CorrectionsInRange voids_in_range(const AppState& state, const DateRange& range,
                                  int32_t affiliateCount) {
    return PendingCorrections::voids(state, range).finish(affiliateCount);
}

}  // namespace qdx
