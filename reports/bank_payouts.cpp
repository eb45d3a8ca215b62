#include "reports/bank_payouts.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>

#include "core/affiliate_lookup.h"
#include "core/atomic_file.h"
#include "core/bank_details.h"
#include "core/cp1252.h"
#include "core/csv.h"
#include "core/csv_values.h"
#include "core/files.h"
#include "core/payee_file.h"
#include "core/platform/platform.h"
#include "core/records.h"
#include "core/text_field.h"
#include "reports/reports.h"

namespace qdx {

namespace {

constexpr const char* kDebtorFile = "payout_debtor.txt";
// The largest amount one SEPA credit transfer carries, in cents.
constexpr int64_t kLargestSepaCents = 99999999999;
constexpr size_t kBlock = 4096;

bool is_sepa(PayoutLayout layout) {
    return layout == PayoutLayout::Sepa09 || layout == PayoutLayout::Sepa03;
}

// The affiliate's text field, as UTF-8 without its blanks.
std::string text_field(const uint8_t* record, layout::Span span) {
    return cp1252_to_utf8(trim(layout::text_at(record, span)));
}

std::string xml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string element(const char* name, std::string_view text) {
    return std::string("<") + name + ">" + xml(text) + "</" + name + ">";
}

// One listed affiliate as the files need it.
struct Payee {
    int32_t id = 0;
    std::string name, surname, email;  // from the affiliate's record
    PayeeDetails details;
    std::string damage;
};

// Reads the affiliates' records and payee details of a block of IDs.
class PayeeBlock {
  public:
    explicit PayeeBlock(const AppState& state)
        : records_(state.dataFile(file::kAffiliates)), payees_(payee_file_path(state)) {}
    const std::vector<Payee>& load(const std::vector<int32_t>& ids) {
        records_.load(ids);
        block_.resize(ids.size());
        for (size_t i = 0; i < ids.size(); ++i) {
            Payee& p = block_[i];
            const uint8_t* a = records_.record(i);
            p.id = ids[i];
            p.name = text_field(a, layout::affiliate::kName);
            p.surname = text_field(a, layout::affiliate::kSurname);
            p.email = text_field(a, layout::affiliate::kEmail);
            const PayeeFile::Lookup found = payees_.read(ids[i]);
            p.details = found.details;
            p.damage = found.damage;
        }
        return block_;
    }

  private:
    AffiliateRecordBlock records_;
    PayeeFile payees_;
    std::vector<Payee> block_;
};

PayMethod method_of(PayoutLayout layout) {
    switch (layout) {
        case PayoutLayout::PayPal:
            return PayMethod::PayPal;
        case PayoutLayout::Wise:
            return PayMethod::Wise;
        default:
            return PayMethod::BankTransfer;
    }
}

// Why a listed affiliate is not paid by this layout; empty when it is.
std::string reason_left_out(const Payee& p, PayoutLayout layout, std::string& email) {
    if (!p.damage.empty()) return p.damage;
    const PayMethod wanted = method_of(layout);
    if (p.details.method == PayMethod::None) return "no payment method given";
    if (p.details.method != wanted)
        return std::string("paid by ") + pay_method_name(p.details.method);
    const PayeeCheck check = check_payee(p.details);
    if (!check.ok()) {
        std::string reason = check.error;  // within a sentence
        if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z')
            reason[0] = char(reason[0] - 'A' + 'a');
        return reason;
    }
    if (is_sepa(layout)) {
        if (!is_sepa_country(iban_country(check.details.iban)))
            return "the IBAN " + check.details.iban + " is outside the SEPA area";
        return {};
    }
    email = p.details.email.empty() ? p.email : p.details.email;
    if (email.empty()) return "no e-mail to pay to";
    return {};
}

std::string run_id(const std::string& createdAt) {
    std::string digits;
    for (char c : createdAt)
        if (c >= '0' && c <= '9') digits += c;
    return digits;
}

std::string now_text() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = platform::local_time(now);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// The paths of a list split into `count` files: the name itself for one,
// <stem>_1<ext>, <stem>_2<ext>, ... for more.
std::filesystem::path numbered(const std::filesystem::path& file, size_t index, size_t count) {
    if (count <= 1) return file;
    std::filesystem::path name = file.stem();
    name += "_" + std::to_string(index + 1);
    name += file.extension();
    return file.parent_path() / name;
}

class SepaWriter {
  public:
    SepaWriter(AtomicFile& out, bool v09) : out_(out), v09_(v09) {}

    void header(const PayoutRequest& r, const SepaDebtor& d, const PayoutResult& result) {
        const std::string ns = v09_ ? "urn:iso:std:iso:20022:tech:xsd:pain.001.001.09"
                                    : "urn:iso:std:iso:20022:tech:xsd:pain.001.001.03";
        const std::string id = "QDX-" + run_id(r.createdAt);
        const std::string count = std::to_string(result.rows);
        const std::string sum = minor_amount_text(result.totalMinor, 2);
        std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        s += "<Document xmlns=\"" + ns + "\">\n<CstmrCdtTrfInitn>\n<GrpHdr>\n";
        s += element("MsgId", id) + "\n" + element("CreDtTm", r.createdAt) + "\n";
        s += element("NbOfTxs", count) + "\n" + element("CtrlSum", sum) + "\n";
        s += "<InitgPty>" + element("Nm", d.name) + "</InitgPty>\n</GrpHdr>\n<PmtInf>\n";
        s += element("PmtInfId", id) + "\n" + element("PmtMtd", "TRF") + "\n";
        s += element("NbOfTxs", count) + "\n" + element("CtrlSum", sum) + "\n";
        s += "<PmtTpInf><SvcLvl><Cd>SEPA</Cd></SvcLvl></PmtTpInf>\n";
        const std::string date = csv_date(r.executionDate);
        s += v09_ ? "<ReqdExctnDt>" + element("Dt", date) + "</ReqdExctnDt>\n"
                  : element("ReqdExctnDt", date) + "\n";
        s += "<Dbtr>" + element("Nm", d.name) + "</Dbtr>\n";
        s += "<DbtrAcct><Id>" + element("IBAN", d.iban) + "</Id></DbtrAcct>\n";
        s += "<DbtrAgt><FinInstnId>" +
             (d.bic.empty() ? std::string("<Othr><Id>NOTPROVIDED</Id></Othr>")
                            : element(v09_ ? "BICFI" : "BIC", d.bic)) +
             "</FinInstnId></DbtrAgt>\n";
        s += element("ChrgBr", "SLEV") + "\n";
        out_.write(s);
        endToEnd_ = id + "-";
    }

    void transaction(const Payee& p, int64_t cents, const std::string& remittance) {
        const PayeeDetails d = check_payee(p.details).details;
        std::string s = "<CdtTrfTxInf>\n<PmtId>" +
                        element("EndToEndId", endToEnd_ + std::to_string(p.id)) + "</PmtId>\n";
        s += "<Amt><InstdAmt Ccy=\"EUR\">" + minor_amount_text(cents, 2) + "</InstdAmt></Amt>\n";
        if (!d.bic.empty())
            s += "<CdtrAgt><FinInstnId>" + element(v09_ ? "BICFI" : "BIC", d.bic) +
                 "</FinInstnId></CdtrAgt>\n";
        s += "<Cdtr>" + element("Nm", d.holder) + "</Cdtr>\n";
        s += "<CdtrAcct><Id>" + element("IBAN", d.iban) + "</Id></CdtrAcct>\n";
        s += "<RmtInf>" + element("Ustrd", remittance) + "</RmtInf>\n</CdtTrfTxInf>\n";
        out_.write(s);
    }

    void footer() { out_.write("</PmtInf>\n</CstmrCdtTrfInitn>\n</Document>\n"); }

  private:
    AtomicFile& out_;
    bool v09_;
    std::string endToEnd_;
};

}  // namespace

std::string remittance_text(double from, double to) {
    return "Commission " + csv_date(from) + "\xE2\x80\x93" + csv_date(to);
}

bool is_iso4217_currency(const std::string& code) {
    // The active codes of ISO 4217, sorted.
    static constexpr const char* kCodes[] = {
        "AED", "AFN", "ALL", "AMD", "ANG", "AOA", "ARS", "AUD", "AWG", "AZN", "BAM", "BBD", "BDT",
        "BGN", "BHD", "BIF", "BMD", "BND", "BOB", "BRL", "BSD", "BTN", "BWP", "BYN", "BZD", "CAD",
        "CDF", "CHF", "CLP", "CNY", "COP", "CRC", "CUP", "CVE", "CZK", "DJF", "DKK", "DOP", "DZD",
        "EGP", "ERN", "ETB", "EUR", "FJD", "FKP", "GBP", "GEL", "GHS", "GIP", "GMD", "GNF", "GTQ",
        "GYD", "HKD", "HNL", "HTG", "HUF", "IDR", "ILS", "INR", "IQD", "IRR", "ISK", "JMD", "JOD",
        "JPY", "KES", "KGS", "KHR", "KMF", "KPW", "KRW", "KWD", "KYD", "KZT", "LAK", "LBP", "LKR",
        "LRD", "LSL", "LYD", "MAD", "MDL", "MGA", "MKD", "MMK", "MNT", "MOP", "MRU", "MUR", "MVR",
        "MWK", "MXN", "MYR", "MZN", "NAD", "NGN", "NIO", "NOK", "NPR", "NZD", "OMR", "PAB", "PEN",
        "PGK", "PHP", "PKR", "PLN", "PYG", "QAR", "RON", "RSD", "RUB", "RWF", "SAR", "SBD", "SCR",
        "SDG", "SEK", "SGD", "SHP", "SLE", "SOS", "SRD", "SSP", "STN", "SVC", "SYP", "SZL", "THB",
        "TJS", "TMT", "TND", "TOP", "TRY", "TTD", "TWD", "TZS", "UAH", "UGX", "USD", "UYU", "UZS",
        "VED", "VES", "VND", "VUV", "WST", "XAF", "XAG", "XAU", "XCD", "XDR", "XOF", "XPD", "XPF",
        "XPT", "XSU", "XUA", "YER", "ZAR", "ZMW", "ZWG", "CUC", "LTL", "SLL", "USN", "UYI",
    };
    if (!is_currency_code(code)) return false;
    return std::find_if(std::begin(kCodes), std::end(kCodes),
                        [&](const char* c) { return code == c; }) != std::end(kCodes);
}

double next_bank_day(double oleDate) {
    // OLE day 0 (30 December 1899) was a Saturday.
    double day = std::floor(oleDate) + 1;
    while (true) {
        const int64_t weekday = static_cast<int64_t>(day) % 7;  // 0 Saturday, 1 Sunday
        if (weekday != 0 && weekday != 1 && weekday != -6) return day;
        day += 1;
    }
}

std::pair<SepaDebtor, std::string> check_debtor(const SepaDebtor& typed) {
    SepaDebtor d;
    const BankCheck name = check_sepa_name(typed.name);
    d.name = name.value;
    if (typed.iban.find_first_not_of(" \t") == std::string::npos)
        return {d,
                "The SEPA file needs the account it is paid from: fill in the debtor's IBAN "
                "(the program owner's account)"};
    const BankCheck iban = check_iban(typed.iban);
    d.iban = iban.value;
    if (!iban.ok()) return {d, "The debtor's account: " + iban.error};
    if (!is_sepa_country(iban_country(d.iban)))
        return {d, "The debtor's IBAN " + d.iban + " is outside the SEPA area"};
    if (!name.ok())
        return {d,
                "The SEPA file needs the debtor's name (the program owner, as the bank "
                "knows it): " +
                    name.error};
    if (typed.bic.find_first_not_of(" \t") != std::string::npos) {
        const BankCheck bic = check_bic(typed.bic);
        d.bic = bic.value;
        if (!bic.ok()) return {d, "The debtor's bank: " + bic.error};
    }
    return {d, {}};
}

SepaDebtor parse_debtor_text(const std::string& text, PayoutLayout* sepaLayout) {
    SepaDebtor d;
    if (sepaLayout) *sepaLayout = PayoutLayout::Sepa09;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = trim(line.substr(0, eq));
        const std::string value(trim(line.substr(eq + 1)));
        if (key == "name")
            d.name = value;
        else if (key == "iban")
            d.iban = value;
        else if (key == "bic")
            d.bic = value;
        else if (key == "sepa" && sepaLayout)
            *sepaLayout = value == "03" ? PayoutLayout::Sepa03 : PayoutLayout::Sepa09;
    }
    return d;
}

SepaDebtor remembered_debtor(const AppState& state) {
    return parse_debtor_text(read_whole_file(state.appDir / kDebtorFile));
}

PayoutLayout remembered_sepa_layout(const AppState& state) {
    PayoutLayout layout;
    parse_debtor_text(read_whole_file(state.appDir / kDebtorFile), &layout);
    return layout;
}

void remember_debtor(const AppState& state, const SepaDebtor& debtor, PayoutLayout sepaLayout) {
    auto one_line = [](std::string text) {
        std::replace(text.begin(), text.end(), '\n', ' ');
        std::replace(text.begin(), text.end(), '\r', ' ');
        return text;
    };
    write_file_atomically(state.appDir / kDebtorFile,
                          "name=" + one_line(debtor.name) + "\niban=" + one_line(debtor.iban) +
                              "\nbic=" + one_line(debtor.bic) + "\nsepa=" +
                              (sepaLayout == PayoutLayout::Sepa03 ? "03" : "09") + "\n");
}

const char* payout_layout_name(PayoutLayout layout) {
    switch (layout) {
        case PayoutLayout::Qdx:
            return "qdx";
        case PayoutLayout::MassPayment:
            return "mass";
        case PayoutLayout::Sepa09:
            return "sepa";
        case PayoutLayout::Sepa03:
            return "sepa03";
        case PayoutLayout::PayPal:
            return "paypal";
        case PayoutLayout::Wise:
            return "wise";
    }
    return "qdx";
}

bool parse_payout_layout(const std::string& name, PayoutLayout& layout) {
    for (PayoutLayout l : {PayoutLayout::Qdx, PayoutLayout::MassPayment, PayoutLayout::Sepa09,
                           PayoutLayout::Sepa03, PayoutLayout::PayPal, PayoutLayout::Wise})
        if (name == payout_layout_name(l)) {
            layout = l;
            return true;
        }
    return false;
}

PayoutResult write_payout(const AppState& state, const ReportTable& table,
                          const PayoutRequest& request) {
    const PayoutLayout layout = request.layout;
    if (layout == PayoutLayout::Qdx || layout == PayoutLayout::MassPayment)
        return write_payout_file(state, table, layout, request.currency, request.file);
    if (table.request.kind != ReportKind::PaymentsDue || table.rowCount() == 0)
        throw ReportError("A payout file is written from the Payments Due report");
    const bool sepa = is_sepa(layout);
    const std::string currency = request.currency.empty() && sepa ? "EUR" : request.currency;
    if (!is_iso4217_currency(currency))
        throw ReportError("The currency code \"" + currency +
                          "\" is not an ISO 4217 code, such as EUR or USD");
    if (sepa && currency != "EUR")
        throw ReportError("A SEPA credit transfer pays euros: the currency must be EUR, not " +
                          currency);
    SepaDebtor debtor;
    PayoutRequest r = request;
    if (sepa) {
        std::string error;
        std::tie(debtor, error) = check_debtor(request.debtor);
        if (!error.empty()) throw ReportError(error);
        if (r.createdAt.empty()) r.createdAt = now_text();
        if (r.executionDate <= 0) r.executionDate = next_bank_day(state.today());
        if (csv_date(r.executionDate).empty())
            throw ReportError("The requested execution date is not a calendar date");
    }

    PayoutResult result;
    result.file = request.file;
    result.currency = currency;
    result.date = table.request.range.to;
    result.from = table.request.range.from;
    const int digits = minor_unit_digits(currency);
    result.minorDigits = digits;

    // First pass: who is paid, and how much, so that the SEPA header can say
    // the count and sum before the transactions.
    const size_t endOfData = table.rowCount() - (table.hasTotalRow ? 1 : 0);
    const size_t rows = endOfData > 1 ? endOfData - 1 : 0;
    PayeeBlock payees(state);
    std::vector<int32_t> ids;
    for (size_t from = 0; from < rows; from += kBlock) {
        const size_t to = std::min(rows, from + kBlock);
        ids.clear();
        for (size_t i = from; i < to; ++i) ids.push_back(table.rowId(i + 1));
        const std::vector<Payee>& block = payees.load(ids);
        for (size_t i = from; i < to; ++i) {
            const Payee& p = block[i - from];
            const int64_t minor = payout_minor_units(table.number(i + 1, 1), digits, p.id);
            if (minor <= 0) {
                result.belowMinorUnit.push_back(p.id);
                continue;
            }
            std::string email;
            std::string reason = reason_left_out(p, layout, email);
            if (reason.empty() && sepa && minor > kLargestSepaCents)
                reason = "more than 999999999.99 in one transfer";
            if (!reason.empty()) {
                result.leftOut.emplace_back(p.id, std::move(reason));
                continue;
            }
            result.payments.push_back({p.id, minor});
            result.totalMinor += minor;
        }
    }
    result.rows = static_cast<int>(result.payments.size());

    const std::string note = "Qdx payout " + csv_date(table.request.range.from) + " to " +
                             csv_date(table.request.range.to);
    const std::string remittance =
        remittance_text(table.request.range.from, table.request.range.to);
    const size_t perFile = sepa ? std::max<size_t>(1, result.payments.size())
                           : layout == PayoutLayout::PayPal ? kPayPalRowsPerFile
                                                            : kWiseRowsPerFile;
    const size_t fileCount = std::max<size_t>(1, (result.payments.size() + perFile - 1) / perFile);
    if (request.file.has_parent_path()) ensure_folder(request.file.parent_path());
    // Every file is written in full before the first one replaces its target,
    // unless there are more than kFilesHeldOpen: then each replaces its
    // target once it is whole, so that no more files are open at once.
    constexpr size_t kFilesHeldOpen = 64;
    const bool commitEach = fileCount > kFilesHeldOpen;
    std::vector<std::unique_ptr<AtomicFile>> files(fileCount);
    for (size_t f = 0; f < fileCount; ++f)
        result.files.push_back(numbered(request.file, f, fileCount));
    result.file = result.files.front();
    auto open = [&](size_t f) {
        files[f] = std::make_unique<AtomicFile>(result.files[f]);
        if (layout == PayoutLayout::Wise)
            files[f]->write(
                csv::line({"name", "recipientEmail", "paymentReference", "receiverType",
                           "amountCurrency", "amount", "sourceCurrency", "targetCurrency"}));
    };
    open(0);

    SepaWriter sepaWriter(*files[0], layout == PayoutLayout::Sepa09);
    if (sepa) sepaWriter.header(r, debtor, result);
    std::string out;
    size_t fileIndex = 0;
    for (size_t from = 0; from < result.payments.size(); from += kBlock) {
        const size_t to = std::min(result.payments.size(), from + kBlock);
        ids.clear();
        for (size_t i = from; i < to; ++i) ids.push_back(result.payments[i].affiliateId);
        const std::vector<Payee>& block = payees.load(ids);
        for (size_t i = from; i < to; ++i) {
            const Payee& p = block[i - from];
            const int64_t minor = result.payments[i].minor;
            if (i / perFile != fileIndex) {
                files[fileIndex]->write(out);
                out.clear();
                if (commitEach) {
                    files[fileIndex]->commit();
                    files[fileIndex].reset();
                }
                fileIndex = i / perFile;
                open(fileIndex);
            }
            if (sepa) {
                sepaWriter.transaction(p, minor, remittance);
                continue;
            }
            std::string email;
            reason_left_out(p, layout, email);
            const std::string amount = minor_amount_text(minor, digits);
            if (layout == PayoutLayout::PayPal) {
                out += csv::line(
                    {formula_safe(email), amount, currency, std::to_string(p.id), note, "PAYPAL"});
            } else {
                std::string name = p.details.holder;
                if (name.empty()) name = p.name + (p.surname.empty() ? "" : " " + p.surname);
                out += csv::line({formula_safe(name), formula_safe(email),
                                  "Commission " + std::to_string(p.id), "PERSON", currency, amount,
                                  currency, currency});
            }
        }
        files[fileIndex]->write(out);
        out.clear();
    }
    if (sepa) sepaWriter.footer();
    for (auto& f : files)
        if (f) f->commit();
    return result;
}

}  // namespace qdx
