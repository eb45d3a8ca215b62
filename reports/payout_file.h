#pragma once
// The payout file of a Payments Due table: one line per listed affiliate,
// exactly the table's rows, never everyone. Two layouts: Qdx's own
// (Affiliate ID, Name, Surname, E-mail, Amount, Unit) and the mass-payment
// form payment providers take (recipient e-mail, amount, currency code,
// affiliate ID, note). Written as UTF-8 CSV through a temporary file.
// Every amount is rounded down to the currency's minor unit (whole cents for
// EUR or USD, whole yen for JPY): what leaves the program is exact, and the
// fractions stay owed for a later run.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "reports/report_table.h"

namespace qdx {

// Qdx's own and the mass-payment layout are written here; the SEPA credit
// transfers and the PayPal and Wise files by write_payout (bank_payouts.h).
enum class PayoutLayout { Qdx, MassPayment, Sepa09, Sepa03, PayPal, Wise };

// One payment of a payout file, in the currency's minor unit (cents).
struct PayoutPayment {
    int32_t affiliateId = 0;
    int64_t minor = 0;
};

struct PayoutResult {
    std::filesystem::path file;
    int rows = 0;  // lines written (the header and the Total line aside)
    int minorDigits = 2;
    int64_t totalMinor = 0;               // the exact sum of the lines written
    double date = 0;                      // the end of the report's range
    double from = 0;                      // and its start
    std::vector<PayoutPayment> payments;  // the lines written, in order
    // Listed, but owed less than one minor unit (0.00 after rounding down):
    // left out, the amount stays owed.
    std::vector<int32_t> belowMinorUnit;
    // Listed, but no e-mail to pay to. Qdx's layout writes them with an empty
    // e-mail; the mass-payment form leaves them out, as a provider cannot pay them.
    std::vector<int32_t> withoutEmail;
    // Bank and provider files: the listed affiliates not paid this way, each
    // with the reason (another payment method, no valid IBAN, ...).
    std::vector<std::pair<int32_t, std::string>> leftOut;
    // Every file written, in order, when a long list was split (PayPal, Wise).
    std::vector<std::filesystem::path> files;
    std::string currency;  // of the bank and provider files
};

// Writes the payout file of `table` (a Payments Due table) to `file`. Throws
// ReportError for another report, a currency code that is not three
// letters or an amount that is not a finite number (naming the affiliate),
// FileError when the file cannot be written (it is then unchanged).
PayoutResult write_payout_file(const AppState& state, const ReportTable& table, PayoutLayout layout,
                               const std::string& currency, const std::filesystem::path& file);

// What was written, in a few lines for the person who asked: the file, the
// count and total, and the affiliates without an e-mail and what became of them.
std::string payout_summary(const PayoutResult& result, PayoutLayout layout);

// Registers exactly the payments of a written payout file: one payment record
// per line, dated the end of the report's range, as one payment run (all or none).
// Does nothing when the payments file does not exist. Returns the count.
int register_payout_payments(const AppState& state, const PayoutResult& result);

// A shown amount (at most three decimals) in whole minor units, rounded down.
// Throws ReportError for an amount that is not a finite number, naming the affiliate.
int64_t payout_minor_units(double amount, int digits, int32_t id);

// The digits after the decimal point of a currency's minor unit, per ISO
// 4217: 0 for JPY or KRW, 3 for KWD or BHD, 2 for the others and for a unit
// that is no code (such as "$").
int minor_unit_digits(const std::string& currency);

// An amount in minor units as the files write it: 1234 with 2 digits is
// "12.34", with 0 digits "1234".
std::string minor_amount_text(int64_t minor, int digits);

// A text cell as a spreadsheet will show and never run it: one that begins
// with =, +, -, @, a tab or a carriage return gets a leading apostrophe.
std::string formula_safe(const std::string& text);

// Where the payout file goes unless told otherwise:
// output/payout_<yyyy-mm-dd of the range's end>.csv.
std::filesystem::path default_payout_path(const AppState& state, const ReportTable& table);

// The unit of payment of the settings record, as stored but without its
// blanks; empty when there is no settings record.
std::string unit_of_payment(const AppState& state);

// Whether `code` is a currency code: three letters A-Z.
bool is_currency_code(const std::string& code);

// The currency code last used for the mass-payment layout; empty at first.
std::string remembered_currency(const AppState& state);
void remember_currency(const AppState& state, const std::string& code);

}  // namespace qdx
