#pragma once
// Payout files for banks and payment providers, from a Payments Due table
// and the payee details of each listed affiliate:
//  - a SEPA credit transfer (ISO 20022 pain.001.001.09, or the older
//    pain.001.001.03 many banks still ask for): one payment information block
//    for the run, one transaction per affiliate paid by bank transfer;
//  - PayPal Payouts CSV (at most 5,000 rows a file) for affiliates paid by PayPal;
//  - a Wise batch CSV (at most 1,000 rows a file) for affiliates paid by Wise.
// Amounts are rounded down to whole cents; one currency per file. Affiliates
// that cannot be paid this way are listed with the reason and left out.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "reports/payout_file.h"

namespace qdx {

// The owner's account the transfers are paid from, kept in the application
// folder in payout_debtor.txt (one "key=value" a line).
struct SepaDebtor {
    std::string name, iban, bic;
    bool operator==(const SepaDebtor&) const = default;
};

struct PayoutRequest {
    PayoutLayout layout = PayoutLayout::Qdx;
    std::string currency;  // the code of the provider and SEPA files ("EUR" for SEPA when empty)
    std::filesystem::path file;
    SepaDebtor debtor;         // SEPA only
    double executionDate = 0;  // SEPA: the requested execution date (OLE date)
    std::string createdAt;     // SEPA: when the file was made, yyyy-mm-ddThh:mm:ss
};

// The rows a provider takes in one file.
constexpr size_t kPayPalRowsPerFile = 5000;
constexpr size_t kWiseRowsPerFile = 1000;

// Writes the payout file(s) of `request` for `table`. The Qdx and
// mass-payment layouts are written by write_payout_file. Throws ReportError
// for another report, a currency code that is not ISO 4217 (or not EUR for
// SEPA), a debtor without a valid name or IBAN (saying what to fill in);
// FileError when a file cannot be written (the earlier file is then intact).
PayoutResult write_payout(const AppState& state, const ReportTable& table,
                          const PayoutRequest& request);

// Whether `code` is an active ISO 4217 currency code.
bool is_iso4217_currency(const std::string& code);

// The first working day (Monday to Friday) after `oleDate`.
double next_bank_day(double oleDate);

// The debtor's details checked: normalised, or the first fault, saying what to fill in.
std::pair<SepaDebtor, std::string> check_debtor(const SepaDebtor& typed);

// The debtor and the SEPA version last used; empty details and 09 at first.
SepaDebtor remembered_debtor(const AppState& state);
PayoutLayout remembered_sepa_layout(const AppState& state);
void remember_debtor(const AppState& state, const SepaDebtor& debtor, PayoutLayout sepaLayout);
// The same as they are read from the file's text; unknown keys are ignored.
SepaDebtor parse_debtor_text(const std::string& text, PayoutLayout* sepaLayout = nullptr);

// The layout's name on the command line ("qdx", "mass", "sepa", "sepa03",
// "paypal", "wise"), and back.
const char* payout_layout_name(PayoutLayout layout);
bool parse_payout_layout(const std::string& name, PayoutLayout& layout);

// "Commission 2025-11-05–2025-12-05": the remittance text of a run.
std::string remittance_text(double from, double to);

}  // namespace qdx
