#pragma once
// Refunds: a sale's commissions taken back by adding a record, never by
// changing the sale. data/refunds.qdx holds fixed-length records (the sale's
// record number, the refunded sum, the date); it exists only once a refund
// was made, and with none every computation is what it was without refunds.
#include <cstdint>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/records.h"

namespace qdx {

namespace file {
constexpr const char* kRefunds = "refunds.qdx";
}

struct RefundRecord {
    static constexpr size_t kSize = 16;
    int32_t sale = 0;  // the sale's record number in sales.qdx
    float sum = 0;
    double date = 0;

    void encode(uint8_t* out) const;
    static RefundRecord decode(const uint8_t* in);
};

// A refund dated in a range, with what its sale says.
struct RangeRefund {
    int64_t record = 0;  // the refund's record number
    int32_t seller = 0;  // the sale's affiliate, on file
    float sum = 0;       // refunded
    float saleSum = 0;
    double date = 0;
};

// The refunds dated from..to, in record order. A refund that cannot be
// applied (its sale is not on file, its seller is not, its sum is not a
// number above 0, or more than its sale's) is left out, and `skipped` says
// which and why, so that no damaged record changes a sum without a word.
struct RefundsInRange {
    std::vector<RangeRefund> refunds;
    std::vector<std::string> skipped;
    // One sentence for a report's status line; empty when nothing was skipped.
    std::string notice() const;
};
RefundsInRange refunds_in_range(const AppState& state, double from, double to,
                                int32_t affiliateCount);

// The commission a refund takes back at a level (1..8), as a positive
// amount: in Percents the level's percentage of the refunded sum, in Fixed
// the fixed reward times the refunded share of the sale (all of it for a
// full refund).
float refund_reward(const Settings& settings, int level, float refunded, float saleSum);

// What is left of a sale: its sum less every refund of it so far, added in
// record order in double.
double sale_left(const AppState& state, int32_t sale, float saleSum);

}  // namespace qdx
