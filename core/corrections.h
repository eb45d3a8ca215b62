#pragma once
// Corrections by adding, never by changing a posted record: a refund takes
// back (part of) a sale's commissions, a void takes a payment off. Each is
// kept in a file of its own, data/refunds.qdx and data/voids.qdx, of
// fixed-length records (the corrected record's number, the sum, the date);
// a file exists only once a correction was made, and with none every
// computation is what it was without corrections.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "core/date_range.h"
#include "core/records.h"

namespace qdx {

namespace file {
constexpr const char* kRefunds = "refunds.qdx";
constexpr const char* kVoids = "voids.qdx";
}  // namespace file

// Why a payment run or an import cannot be reversed (no such one, reversed
// already, nothing left to take back, a date before its records), in a
// sentence for the owner.
struct ReversalRefused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct RefundRecord {
    static constexpr size_t kSize = layout::correction::kSize;
    int32_t sale = 0;  // the sale's record number in sales.qdx
    float sum = 0;
    double date = 0;

    void encode(uint8_t* out) const;
    static RefundRecord decode(const uint8_t* in);
};

// A void takes the whole payment off: its sum is the payment's.
struct VoidRecord {
    static constexpr size_t kSize = layout::correction::kSize;
    int32_t payment = 0;  // the payment's record number in payments.qdx
    float sum = 0;
    double date = 0;

    void encode(uint8_t* out) const;
    static VoidRecord decode(const uint8_t* in);
};

// A correction dated in a range, with what the corrected record says.
struct RangeCorrection {
    int64_t record = 0;     // the refund's or void's record number
    int32_t target = 0;     // the sale's or payment's record number
    int32_t affiliate = 0;  // the sale's or payment's affiliate, on file
    float sum = 0;          // refunded, or voided
    float targetSum = 0;    // the sale's or payment's sum
    double date = 0;
};

// The corrections dated in the range, in record order. One that cannot be
// applied (what it corrects is not on file, its sum is not a number above
// 0, or more than what it corrects) is left out, and `skipped` says which
// and why, so that no damaged record changes a sum without a word.
// Corrections of a record whose affiliate is not on file change nothing and
// are left out quietly, as that record is.
struct CorrectionsInRange {
    std::vector<RangeCorrection> corrections;
    std::vector<std::string> skipped;
    // One sentence for a report's status line; empty when nothing was skipped.
    std::string notice() const;
};
// With `holdDays` > 0 (the hold period, core/hold_period.h) a refund counts
// on the later of its own date and the day its sale becomes payable (the
// sale's date plus the hold), so that a refund made while its sale is held
// lowers the commission before it is paid, and one made later takes it back
// from the next payment.
CorrectionsInRange refunds_in_range(const AppState& state, const DateRange& range,
                                    int32_t affiliateCount, int32_t holdDays = 0);
CorrectionsInRange voids_in_range(const AppState& state, const DateRange& range,
                                  int32_t affiliateCount);

struct CorrectionKind;

// The same in two steps, for a caller that passes over the corrected records
// anyway (the accounts read every sale): the corrections are read first,
// then each record they name is kept as the caller's pass comes to it, and
// finish() reads what the pass did not come to and applies the checks above.
class PendingCorrections {
  public:
    static PendingCorrections refunds(const AppState& state, const DateRange& range,
                                      int32_t holdDays = 0);
    static PendingCorrections voids(const AppState& state, const DateRange& range);

    // Record k of the corrected file; passes call it in record order.
    void see(int64_t k, const uint8_t* bytes) {
        if (next_ < needed_.size() && needed_[next_] == k) keep(bytes);
    }
    CorrectionsInRange finish(int32_t affiliateCount);

  private:
    PendingCorrections(const AppState& state, const CorrectionKind& kind, const DateRange& range,
                       int32_t holdDays);
    void keep(const uint8_t* bytes);

    const AppState* state_;
    const CorrectionKind* kind_;
    DateRange range_;
    int32_t holdDays_;
    int64_t targetCount_ = 0;
    std::vector<std::string> skipped_;
    std::vector<std::pair<int64_t, RefundRecord>> candidates_;  // record number, record
    std::vector<int32_t> needed_;                               // what they name, sorted
    std::vector<MoneyRecord> found_;
    std::vector<bool> seen_;
    size_t next_ = 0;
};

// The commission a refund takes back at a level (1..8), as a positive
// amount: in Percents the level's percentage of the refunded sum, in Fixed
// the fixed reward times the refunded share of the sale (all of it for a
// full refund).
float refund_reward(const Settings& settings, int level, float refunded, float saleSum);

}  // namespace qdx
