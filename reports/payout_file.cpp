#include "reports/payout_file.h"

#include <cmath>

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
    const size_t rows = endOfData > 1 ? endOfData - 1 : 0;

    PayoutResult result;
    result.file = file;
    if (file.has_parent_path()) ensure_folder(file.parent_path());
    AtomicFile written(file);
    std::string out;
    if (!mass) {
        out += kUtf8Bom;
        out += csv::line({"Affiliate ID", "Name", "Surname", "E-mail", "Amount", "Unit"});
    }
    const std::string unit = mass ? std::string() : unit_of_payment(state);
    const std::string note =
        "Qdx payout " + csv_date(table.request.datefrom) + " to " + csv_date(table.request.dateto);
    // The rows go to the file a block at a time, with their affiliates' records.
    constexpr size_t kBlock = 4096;
    AffiliateRecordBlock records(state.dataFile(file::kAffiliates));
    std::vector<int32_t> ids;
    auto field = [](const uint8_t* record, size_t offset, size_t width) {
        return trimmed(std::string(reinterpret_cast<const char*>(record) + offset, width));
    };
    for (size_t from = 0; from < rows || from == 0; from += kBlock) {
        const size_t to = std::min(rows, from + kBlock);
        ids.clear();
        for (size_t i = from; i < to; ++i) ids.push_back(table.rowId(i + 1));
        records.load(ids);
        for (size_t i = from; i < to; ++i) {
            const double amount = table.number(i + 1, 1);
            if (std::isnan(amount))
                throw ReportError("Row " + std::to_string(i + 1) + " holds no amount");
            const uint8_t* a = records.record(i - from);
            const std::string email = field(a, 125, width::kEmail);
            const int32_t id = ids[i - from];
            if (email.empty()) {
                result.withoutEmail.push_back(id);
                if (mass) continue;
            }
            if (mass)
                out += csv::line({email, csv_number(amount), currency, std::to_string(id), note});
            else
                out += csv::line({std::to_string(id), field(a, 0, width::kName),
                                  field(a, 20, width::kSurname), email, csv_number(amount), unit});
            ++result.rows;
            result.total += amount;
        }
        written.write(out);
        out.clear();
        if (to >= rows) break;
    }
    written.write(out);

    result.total = std::round(result.total * 1000) / 1000;  // amounts have at most 3 decimals
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
