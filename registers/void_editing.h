#pragma once
// Voiding payments: one at a time from the Payments window, or a whole
// payment run at once. A void takes the payment's whole sum off the range it
// is dated, so the amount is due again; the payment itself stays as it was.
// A payment is voided once at most, and never before the day it was paid.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/app_state.h"
#include "core/corrections.h"
#include "core/edit_checks.h"
#include "core/payment_runs.h"
#include "core/record_file.h"

namespace qdx {

struct VoidBoxes {
    std::string payment, date;
};

enum class VoidBox { Payment, Date };

// A check that failed: the box, the shared message, and what it says of the
// value (the value itself and what was expected).
struct VoidFailure {
    VoidBox box;
    Msg message;
    std::string detail;
};

// Checks voids against the payments and the voids recorded so far, read once.
class VoidChecker {
  public:
    explicit VoidChecker(const AppState& state);

    // Each box filled, each value readable, then the payment on file, with a
    // sum above 0, not voided yet, and the date not before the payment's.
    std::optional<VoidFailure> check(const VoidBoxes& boxes) const;
    // The record of boxes that passed: the payment's whole sum.
    VoidRecord record(const VoidBoxes& boxes) const;

    int64_t paymentCount() const { return payments_.isOpen() ? payments_.count() : 0; }
    std::optional<MoneyRecord> payment(int64_t number) const;
    // The void of a payment voided already.
    std::optional<VoidRecord> voidOf(int32_t payment) const;

  private:
    const AppState& state_;
    RecordFile payments_;
    std::unordered_map<int32_t, VoidRecord> voided_;
};

// The message of a failed check, as the windows show it.
std::string void_failure_text(const Messages& messages, const VoidFailure& failure);

// Notes the void in the history and appends it to data/voids.qdx. Returns
// its record number. Throws FileError (HistoryError) with nothing written.
int64_t save_void(const AppState& state, const VoidRecord& voided);

// What reversing a run would write.
struct ReversalPlan {
    PaymentRun run;
    double date = 0;
    std::vector<VoidRecord> voids;  // one per payment of the run not voided yet
    int64_t voidedBefore = 0;       // payments of the run voided one by one, left as they are
    std::string total;              // of the voids, to the cent
};

// Throws ReversalRefused (its text says why) or FileError.
ReversalPlan plan_reversal(const AppState& state, int64_t run, double date);
// One sentence: how many payments and what total it reverses, and how many
// were voided already.
std::string reversal_summary(const ReversalPlan& plan, const Regional& regional);
// Writes the voids of the plan in one append with the run's "reversed" line
// in the ledger (all or none across a kill) and notes it in the history.
// Checks the plan again first (ReversalRefused when it no longer holds).
RunReversal reverse_run(const AppState& state, const ReversalPlan& plan);

}  // namespace qdx
