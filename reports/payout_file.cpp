#include "reports/payout_file.h"

#include <cmath>

#include "core/affiliate_lookup.h"
#include "core/atomic_file.h"
#include "core/csv.h"
#include "core/csv_values.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/text_field.h"
#include "reports/reports.h"

namespace qdx {

namespace {

// Kept in the application folder beside the data, one line.
constexpr const char* kCurrencyFile = "payout_currency.txt";

std::string trimmed(const std::string& text) { return std::string(trim(text)); }

}  // namespace

std::string unit_of_payment(const AppState& state) {
    const auto path = state.dataFile(file::kSettings);
    if (!file_exists(path)) return {};
    RecordFile settings(path, SettingsRecord::kSize);
    if (settings.count() == 0) return {};
    return std::string(trim(settings.read<SettingsRecord>(1).unit));
}

bool is_currency_code(const std::string& code) {
    if (code.size() != 3) return false;
    for (char c : code)
        if (c < 'A' || c > 'Z') return false;
    return true;
}

PayoutResult write_payout_file(const AppState& state, const ReportTable& table, PayoutLayout layout,
                               const std::string& currency, const std::filesystem::path& file) {
    if (table.request.kind != ReportKind::PaymentsDue || table.rowCount() == 0)
        throw ReportError("A payout file is written from the Payments Due report");
    const bool mass = layout == PayoutLayout::MassPayment;
    if (mass && !is_currency_code(currency))
        throw ReportError("The currency code must be three letters, such as EUR or USD");

    const size_t endOfData = table.rowCount() - (table.hasTotalRow ? 1 : 0);
    std::vector<int32_t> ids;
    for (size_t r = 1; r < endOfData; ++r) ids.push_back(table.rowId(r));
    std::vector<AffiliateRecord> affiliates(ids.size());
    visit_affiliates(state, ids, [&](size_t i, const AffiliateRecord& a) { affiliates[i] = a; });

    PayoutResult result;
    result.file = file;
    std::string out;
    if (!mass) {
        out += kUtf8Bom;
        out += csv::line({"Affiliate ID", "Name", "Surname", "E-mail", "Amount", "Unit"});
    }
    const std::string unit = mass ? std::string() : unit_of_payment(state);
    const std::string note =
        "Qdx payout " + csv_date(table.request.datefrom) + " to " + csv_date(table.request.dateto);
    for (size_t i = 0; i < ids.size(); ++i) {
        const double amount = table.number(i + 1, 1);
        if (std::isnan(amount))
            throw ReportError("Row " + std::to_string(i + 1) + " holds no amount");
        const AffiliateRecord& a = affiliates[i];
        const std::string email = trimmed(a.email);
        const std::string id = std::to_string(ids[i]);
        if (email.empty()) {
            result.withoutEmail.push_back(ids[i]);
            if (mass) continue;
        }
        if (mass)
            out += csv::line({email, csv_number(amount), currency, id, note});
        else
            out += csv::line(
                {id, trimmed(a.name), trimmed(a.surname), email, csv_number(amount), unit});
        ++result.rows;
        result.total += amount;
    }

    result.total = std::round(result.total * 1000) / 1000;  // amounts have at most 3 decimals
    if (file.has_parent_path()) ensure_folder(file.parent_path());
    AtomicFile written(file);
    written.write(out);
    written.commit();
    return result;
}

std::string payout_summary(const PayoutResult& result, PayoutLayout layout) {
    std::string text = "The payout file " + result.file.string() + " lists " +
                       std::to_string(result.rows) + " payment(s), " + csv_number(result.total) +
                       " in all.";
    if (result.withoutEmail.empty()) return text;
    text += layout == PayoutLayout::MassPayment
                ? "\nLeft out, as they have no e-mail to pay to: affiliate ID "
                : "\nWithout an e-mail (written with an empty one): affiliate ID ";
    for (size_t i = 0; i < result.withoutEmail.size(); ++i)
        text += (i ? ", " : "") + std::to_string(result.withoutEmail[i]);
    return text + ".";
}

std::filesystem::path default_payout_path(const AppState& state, const ReportTable& table) {
    return state.appDir / "output" / ("payout_" + csv_date(table.request.dateto) + ".csv");
}

std::string remembered_currency(const AppState& state) {
    const std::string code = trimmed(read_whole_file(state.appDir / kCurrencyFile));
    return is_currency_code(code) ? code : std::string();
}

void remember_currency(const AppState& state, const std::string& code) {
    write_file_atomically(state.appDir / kCurrencyFile, code);
}

}  // namespace qdx
