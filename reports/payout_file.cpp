#include "reports/payout_file.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "core/affiliate_lookup.h"
#include "core/atomic_file.h"
#include "core/csv.h"
#include "core/csv_values.h"
#include "core/files.h"
#include "core/payment_runs.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/text_field.h"
#include "reports/reports.h"

namespace qdx {

namespace {

// Kept in the application folder beside the data, one line.
constexpr const char* kCurrencyFile = "payout_currency.txt";

std::string trimmed(const std::string& text) { return std::string(trim(text)); }

int64_t power_of_ten(int digits) {
    int64_t p = 1;
    while (digits-- > 0) p *= 10;
    return p;
}

// The largest amount a payout pays: far above any commission, far below
// where whole thousandths stop being exact in a double.
constexpr double kLargestAmount = 1e12;

}  // namespace

int64_t payout_minor_units(double amount, int digits, int32_t id) {
    if (!std::isfinite(amount) || std::fabs(amount) > kLargestAmount) {
        const std::string what = std::isnan(amount)   ? "an amount that is not a number"
                                 : std::isinf(amount) ? "an infinite amount"
                                                      : "more than 1000000000000";
        throw ReportError("Affiliate ID " + std::to_string(id) + " is owed " + what +
                          ": the payout pays no one until it is corrected");
    }
    const int64_t thousandths = std::llround(amount * 1000);
    const int64_t step = power_of_ten(3 - digits);
    int64_t minor = thousandths / step;
    if (thousandths % step != 0 && thousandths < 0) --minor;  // down, also below 0
    return minor;
}

int minor_unit_digits(const std::string& currency) {
    // ISO 4217: the currencies whose minor unit is not a hundredth.
    static constexpr const char* kNone[] = {"BIF", "CLP", "DJF", "GNF", "ISK", "JPY",
                                            "KMF", "KRW", "PYG", "RWF", "UGX", "UYI",
                                            "VND", "VUV", "XAF", "XOF", "XPF"};
    static constexpr const char* kThree[] = {"BHD", "IQD", "JOD", "KWD", "LYD", "OMR", "TND"};
    for (const char* code : kNone)
        if (currency == code) return 0;
    for (const char* code : kThree)
        if (currency == code) return 3;
    return 2;
}

std::string minor_amount_text(int64_t minor, int digits) {
    const bool negative = minor < 0;
    const uint64_t magnitude =
        negative ? uint64_t(0) - static_cast<uint64_t>(minor) : static_cast<uint64_t>(minor);
    std::string text = std::to_string(magnitude);
    if (digits > 0) {
        if (text.size() <= static_cast<size_t>(digits))
            text.insert(0, static_cast<size_t>(digits) + 1 - text.size(), '0');
        text.insert(text.size() - static_cast<size_t>(digits), 1, '.');
    }
    return negative ? "-" + text : text;
}

std::string formula_safe(const std::string& text) {
    if (text.empty()) return text;
    switch (text[0]) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
            return "'" + text;
        default:
            return text;
    }
}

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
    if (layout != PayoutLayout::Qdx && layout != PayoutLayout::MassPayment)
        throw ReportError("The bank and provider payout files are written by write_payout");
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
    const int digits = minor_unit_digits(mass ? currency : unit);
    result.minorDigits = digits;
    result.date = table.request.range.to;
    result.from = table.request.range.from;
    const std::string note = "Qdx payout " + csv_date(table.request.range.from) + " to " +
                             csv_date(table.request.range.to);
    // The rows go to the file a block at a time, with their affiliates' records.
    constexpr size_t kBlock = 4096;
    AffiliateRecordBlock records(state.dataFile(file::kAffiliates));
    std::vector<int32_t> ids;
    auto field = [](const uint8_t* record, layout::Span span) {
        return formula_safe(std::string(trim(layout::text_at(record, span))));
    };
    for (size_t from = 0; from < rows || from == 0; from += kBlock) {
        const size_t to = std::min(rows, from + kBlock);
        ids.clear();
        for (size_t i = from; i < to; ++i) ids.push_back(table.rowId(i + 1));
        records.load(ids);
        for (size_t i = from; i < to; ++i) {
            const int32_t id = ids[i - from];
            const int64_t minor = payout_minor_units(table.number(i + 1, 1), digits, id);
            if (minor <= 0) {
                result.belowMinorUnit.push_back(id);
                continue;
            }
            const uint8_t* a = records.record(i - from);
            const std::string email = field(a, layout::affiliate::kEmail);
            if (email.empty()) {
                result.withoutEmail.push_back(id);
                if (mass) continue;
            }
            const std::string amount = minor_amount_text(minor, digits);
            if (mass)
                out += csv::line({email, amount, currency, std::to_string(id), note});
            else
                out += csv::line({std::to_string(id), field(a, layout::affiliate::kName),
                                  field(a, layout::affiliate::kSurname), email, amount,
                                  formula_safe(unit)});
            ++result.rows;
            result.totalMinor += minor;
            result.payments.push_back({id, minor});
        }
        written.write(out);
        out.clear();
        if (to >= rows) break;
    }
    // Qdx's own layout ends with the exact sum of its lines; the provider's
    // form holds payments only.
    if (!mass)
        out += csv::line({"Total", "", "", "", minor_amount_text(result.totalMinor, digits),
                          formula_safe(unit)});
    written.write(out);
    written.commit();
    return result;
}

int register_payout_payments(const AppState& state, const PayoutResult& result) {
    const auto path = state.dataFile(file::kPayments);
    if (!file_exists(path) || result.payments.empty()) return 0;
    const double unit = static_cast<double>(power_of_ten(result.minorDigits));
    std::vector<uint8_t> bytes(result.payments.size() * MoneyRecord::kSize);
    for (size_t i = 0; i < result.payments.size(); ++i) {
        MoneyRecord payment;
        payment.affiliateId = result.payments[i].affiliateId;
        payment.sum = static_cast<float>(static_cast<double>(result.payments[i].minor) / unit);
        payment.date = result.date;
        payment.encode(bytes.data() + i * MoneyRecord::kSize);
    }
    register_payment_run(state, result.from, result.date, bytes.data(), result.payments.size());
    return static_cast<int>(result.payments.size());
}

std::string payout_summary(const PayoutResult& result, PayoutLayout layout) {
    std::string total = minor_amount_text(result.totalMinor, result.minorDigits);
    if (!result.currency.empty()) total += " " + result.currency;
    std::string text;
    if (result.files.size() > 1) {
        text = "The payout files ";
        for (size_t i = 0; i < result.files.size(); ++i)
            text += (i ? ", " : "") + result.files[i].string();
        text += " list ";
    } else {
        text = "The payout file " + result.file.string() + " lists ";
    }
    text += std::to_string(result.rows) + " payment(s), " + total + " in all.";
    for (const auto& [id, reason] : result.leftOut)
        text += "\nLeft out: affiliate ID " + std::to_string(id) + ", " + reason + ".";
    if (!result.belowMinorUnit.empty()) {
        text += "\nLeft out, as they are owed less than " +
                minor_amount_text(1, result.minorDigits) + ": affiliate ID ";
        for (size_t i = 0; i < result.belowMinorUnit.size(); ++i)
            text += (i ? ", " : "") + std::to_string(result.belowMinorUnit[i]);
        text += ".";
    }
    if (result.withoutEmail.empty()) return text;
    text += layout == PayoutLayout::MassPayment
                ? "\nLeft out, as they have no e-mail to pay to: affiliate ID "
                : "\nWithout an e-mail (written with an empty one): affiliate ID ";
    for (size_t i = 0; i < result.withoutEmail.size(); ++i)
        text += (i ? ", " : "") + std::to_string(result.withoutEmail[i]);
    return text + ".";
}

std::filesystem::path default_payout_path(const AppState& state, const ReportTable& table) {
    return state.appDir / "output" / ("payout_" + csv_date(table.request.range.to) + ".csv");
}

std::string remembered_currency(const AppState& state) {
    const std::string code = trimmed(read_whole_file(state.appDir / kCurrencyFile));
    return is_currency_code(code) ? code : std::string();
}

void remember_currency(const AppState& state, const std::string& code) {
    write_file_atomically(state.appDir / kCurrencyFile, code);
}

}  // namespace qdx
