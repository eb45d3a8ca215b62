#pragma once
// Taking an import back by adding, never by removing what it wrote: every
// sale it brought in is refunded in full (what is left of it), every payment
// voided, in one append dated the day given. Affiliates are never removed
// and refunds are never taken back, so those imports cannot be reversed.
// What was corrected already (a sale refunded, a payment voided since) is
// left as it is, so a reversal never takes anything back twice.
#include <cstdint>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/corrections.h"
#include "registers/import/import_ledger.h"

namespace qdx {

struct ImportReversal {
    int64_t number = 0;  // the import's line in the ledger, from 1
    LedgerEntry entry;
    double date = 0;
    std::vector<RefundRecord> refunds;  // a sales import
    std::vector<VoidRecord> voids;      // a payments import
    int64_t alreadyCorrected = 0;       // records of the import with nothing left to take back
    double total = 0;                   // what the reversal takes back, summed in double
    bool voidsPayments() const { return entry.registerName == "payments"; }
    int64_t count() const {
        return static_cast<int64_t>(voidsPayments() ? voids.size() : refunds.size());
    }
};

// The imports of the ledger, in the order they were made.
std::vector<LedgerEntry> read_ledger(const AppState& state);

// What reversing import `number` dated `date` (an OLE date) would write.
// Throws ReversalRefused: no such import, an affiliates or refunds import,
// its records no longer all on file, a date before one of its records, or
// nothing left to take back.
ImportReversal plan_import_reversal(const AppState& state, int64_t number, double date);

// Writes the plan's refunds or voids in one append and notes it in the
// history. Returns the number of the first correction written. Throws
// FileError (HistoryError) with nothing written.
int64_t reverse_import(const AppState& state, const ImportReversal& plan);

// "Import 3 (sales, records 11 to 20, 2026-12-01)": how an import is named.
std::string import_name(int64_t number, const LedgerEntry& entry);

}  // namespace qdx
