#pragma once
// Payment runs: each "Register payments" appends its payments in one piece
// and gets a number and a line in data/payment-runs.ledger, written so that
// the payments and the line land together or not at all (the pending note
// of core/import_journal.h). A run reversed later, by one void per payment
// not voided yet, gets a second line. The ledger is text, one line a run or
// a reversal, and is only ever added to:
//   run 3 2026-12-08T05:01:02+01:00 2003-03-01..2003-03-31 payments 4..9 count 6 total 75.00
//   reversed 3 2026-12-08T06:00:00+01:00 dated 2003-04-01 voids 1..6 count 6 total 75.00
// Totals are the exact sum of the stored 4-byte floats, rounded to the cent
// (halves to even), always with a decimal point.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/app_state.h"
#include "core/regional.h"

namespace qdx {

namespace file {
constexpr const char* kPaymentRuns = "payment-runs.ledger";
}  // namespace file

struct RunReversal {
    std::string time;  // when it was made, as the history writes times
    double date = 0;   // the voids' date
    int64_t firstVoid = 0, lastVoid = 0, count = 0;
    std::string total;
};

struct PaymentRun {
    int64_t number = 0;
    std::string time;             // when it was registered
    double from = 0, to = 0;      // the report's range
    int64_t first = 0, last = 0;  // its records in payments.qdx
    int64_t count = 0;
    std::string total;
    std::optional<RunReversal> reversal;
};

// The exact sum of 4-byte floats, kept in units of the smallest float step so
// that nothing is lost however many are added; NaN and infinities are not
// added.
class ExactFloatSum {
  public:
    void add(float value);
    // Rounded to the cent, halves to even: "75.00", "-0.13", "0.00".
    std::string centsText() const;

  private:
    static constexpr size_t kLimbs = 6;  // 384 bits: 2^128 .. 2^-149 and 2^100 additions
    uint64_t limb_[kLimbs] = {};
};

// The ledger's lines for a run and for its reversal (without line end).
std::string run_line(const PaymentRun& run);
std::string reversal_line(int64_t run, const RunReversal& reversal);

// The runs of the ledger in order, each with its reversal; lines that do not
// read are left out. An absent ledger holds no run.
std::vector<PaymentRun> read_payment_runs(const std::filesystem::path& dataDir);
const PaymentRun* find_run(const std::vector<PaymentRun>& runs, int64_t number);
// The run that appended payment record `payment`, if one did.
const PaymentRun* run_of_payment(const std::vector<PaymentRun>& runs, int64_t payment);

// One line for a person: "Run 1: registered 2026-12-08 05:01, range
// 01/02/2003 to 28/02/2003, payments 2 to 3, 2 payments, 42.50 in all" and,
// once reversed, "; reversed on 01/03/2003 by voids 1 to 2, 42.50".
std::string run_summary(const PaymentRun& run, const Regional& regional);

// The time now as the history writes it, 2026-12-08T05:01:02+01:00, and as
// the windows show it, "2026-12-08 05:01".
std::string time_now_text();
std::string shown_time(std::string_view time);

// Appends `rows` payment records (MoneyRecord bytes) to data/payments.qdx as
// the next run over from..to, with its ledger line, and notes it in the
// history. All or none across a kill: the next start (recover_interrupted_
// appends) finishes or takes back a run that was stopped. Throws FileError
// (HistoryError) with nothing written; once the payments are in, a ledger
// line that cannot be written is left to the next start and not thrown.
PaymentRun register_payment_run(const AppState& state, double from, double to, const uint8_t* bytes,
                                size_t rows);

// Payments and voids are records of this length.
constexpr size_t kRunRecordLength = 16;

// Appends `rows` records to the existing data/<registerFile> as records
// `first` onwards, with `line` in the ledger, all or none across a kill.
// False when the records are in but the line is left to the next start.
// Throws FileError with nothing written (PartialAppendError: the next start
// takes the part back).
bool append_with_run_line(const AppState& state, const char* registerFile, int64_t first,
                          const uint8_t* bytes, size_t rows, const std::string& line);

namespace detail {
// Called between the write steps of a run or a reversal (1 note written, 2
// records appended, 3 ledger line written); tests stop the program there.
extern void (*run_step)(int step);
}  // namespace detail

}  // namespace qdx
