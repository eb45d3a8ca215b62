#pragma once
// Registering a refund of a sale: the checks, in the order and wording of
// the registers' windows, and the one append that records it. What is left
// of a sale is its sum less every refund of it so far, so a sale can never
// be refunded twice over.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "core/app_state.h"
#include "core/corrections.h"
#include "core/edit_checks.h"
#include "core/record_file.h"

namespace qdx {

struct RefundBoxes {
    std::string sale, sum, date;
};

enum class RefundBox { Sale, Sum, Date };

// A check that failed: the box, the shared message, and what it says of
// the value (the value itself and what was expected).
struct RefundFailure {
    RefundBox box;
    Msg message;
    std::string detail;
};

// Checks refunds against the sales and the refunds recorded so far, read
// once; take() counts a refund not yet written (an earlier row of an import).
class RefundChecker {
  public:
    explicit RefundChecker(const AppState& state);

    // Each box filled, each value readable, then the sale on file, the sum
    // above 0 and at most what is left of the sale, the date not before it.
    std::optional<RefundFailure> check(const RefundBoxes& boxes) const;
    // The record of boxes that passed.
    RefundRecord record(const RefundBoxes& boxes) const;
    void take(const RefundRecord& refund);

    int64_t saleCount() const { return sales_.isOpen() ? sales_.count() : 0; }
    std::optional<MoneyRecord> sale(int64_t number) const;
    // The sale's sum less its refunds, in double.
    double left(int32_t sale) const;

  private:
    const AppState& state_;
    RecordFile sales_;
    std::unordered_map<int32_t, double> refunded_;
};

// Notes the refund in the history, appends it to data/refunds.qdx and keeps
// `details` (Windows-1252) as addinfo/r<N>.txt. Returns its record number.
// Throws FileError (HistoryError) with nothing written.
int64_t save_refund(const AppState& state, const RefundRecord& refund, const std::string& details);

// addinfo/r<N>.txt: a refund's details.
std::filesystem::path refund_details_file(const std::filesystem::path& appDir, int64_t n);

}  // namespace qdx
