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
    int rows = 0;
    double total = 0;                   // equals the table's Total
    std::vector<int32_t> withoutEmail;  // listed, but no e-mail to pay to
};

// Writes the payout file of `table` (a Payments Due table) to `file`.
PayoutResult write_payout_file(const AppState& state, const ReportTable& table, PayoutLayout layout,
                               const std::string& currency, const std::filesystem::path& file);

// The currency code last used for the mass-payment layout; empty at first.
std::string remembered_currency(const AppState& state);
void remember_currency(const AppState& state, const std::string& code);

}  // namespace qdx
