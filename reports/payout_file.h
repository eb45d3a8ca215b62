#pragma once
// The payout file of a Payments Due table: one line per listed affiliate,
// exactly the table's rows, never everyone. Two layouts: Qdx's own
// (Affiliate ID, Name, Surname, E-mail, Amount, Unit) and the mass-payment
// form payment providers take (recipient e-mail, amount, currency code,
// affiliate ID, note). Written as UTF-8 CSV through a temporary file.
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "reports/report_table.h"

namespace qdx {

enum class PayoutLayout { Qdx, MassPayment };

struct PayoutResult {
    std::filesystem::path file;
    int rows = 0;      // lines written (the header aside)
    double total = 0;  // of the lines written: the table's Total when every row is written
    // Listed, but no e-mail to pay to. Qdx's layout writes them with an empty
    // e-mail; the mass-payment form leaves them out, as a provider cannot pay them.
    std::vector<int32_t> withoutEmail;
};

// Writes the payout file of `table` (a Payments Due table) to `file`. Throws
// ReportError for another report or a currency code that is not three
// letters, FileError when the file cannot be written (it is then unchanged).
PayoutResult write_payout_file(const AppState& state, const ReportTable& table, PayoutLayout layout,
                               const std::string& currency, const std::filesystem::path& file);

// What was written, in a few lines for the person who asked: the file, the
// count and total, and the affiliates without an e-mail and what became of them.
std::string payout_summary(const PayoutResult& result, PayoutLayout layout);

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
