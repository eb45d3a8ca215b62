#include "core/payee_file.h"

#include <cerrno>
#include <cstring>

#include "core/app_state.h"
#include "core/atomic_file.h"
#include "core/bank_details.h"
#include "core/files.h"
#include "core/platform/platform.h"

namespace qdx {

namespace {

constexpr size_t kHolderAt = 1, kIbanAt = 71, kBicAt = 105, kEmailAt = 116, kEndAt = 255;

char method_byte(PayMethod m) {
    switch (m) {
        case PayMethod::BankTransfer:
            return 'B';
        case PayMethod::PayPal:
            return 'P';
        case PayMethod::Wise:
            return 'W';
        case PayMethod::None:
            break;
    }
    return ' ';
}

void put(uint8_t* out, size_t at, size_t width, const std::string& text) {
    std::memset(out + at, ' ', width);
    std::memcpy(out + at, text.data(), std::min(width, text.size()));
}

// A field's text without its trailing blanks; false when it holds a byte no
// field is written with (a control character).
bool take(const uint8_t* in, size_t at, size_t width, std::string& text) {
    size_t end = width;
    while (end > 0 && in[at + end - 1] == ' ') --end;
    text.assign(reinterpret_cast<const char*>(in + at), end);
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F) return false;
    return true;
}

std::string lower_compact(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '-' || c == '_' || c == '\t') continue;
        out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

std::string trimmed(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    return std::string(text.substr(b, e - b));
}

bool looks_like_email(const std::string& email) {
    const size_t at = email.find('@');
    if (at == 0 || at == std::string::npos || email.find('@', at + 1) != std::string::npos)
        return false;
    const size_t dot = email.find('.', at);
    if (dot == std::string::npos || dot == at + 1 || dot + 1 == email.size()) return false;
    for (unsigned char c : email)
        if (c <= ' ' || c == 0x7F || c == ',' || c == ';' || c == '"' || c == '<' || c == '>')
            return false;
    return true;
}

}  // namespace

const char* pay_method_name(PayMethod method) {
    switch (method) {
        case PayMethod::BankTransfer:
            return "bank transfer";
        case PayMethod::PayPal:
            return "PayPal";
        case PayMethod::Wise:
            return "Wise";
        case PayMethod::None:
            break;
    }
    return "none";
}

bool parse_pay_method(std::string_view text, PayMethod& method) {
    const std::string key = lower_compact(text);
    if (key.empty() || key == "none")
        method = PayMethod::None;
    else if (key == "bank" || key == "banktransfer" || key == "sepa")
        method = PayMethod::BankTransfer;
    else if (key == "paypal")
        method = PayMethod::PayPal;
    else if (key == "wise")
        method = PayMethod::Wise;
    else
        return false;
    return true;
}

PayeeCheck check_payee(const PayeeDetails& typed) {
    PayeeCheck check;
    PayeeDetails& d = check.details;
    d.method = typed.method;
    const std::string holder = trimmed(typed.holder);
    const std::string iban = trimmed(typed.iban);
    const std::string bic = trimmed(typed.bic);
    d.email = trimmed(typed.email);
    auto fail = [&check](std::string error) {
        if (check.error.empty()) check.error = std::move(error);
    };
    if (!holder.empty() || d.method == PayMethod::BankTransfer) {
        const BankCheck name = check_sepa_name(holder, payee::kHolder);
        d.holder = name.value;
        check.nameChanged = !holder.empty() && name.value != holder;
        if (!name.ok()) fail(name.error);
    }
    if (!iban.empty() || d.method == PayMethod::BankTransfer) {
        const BankCheck checked = check_iban(iban);
        d.iban = checked.value;
        if (!checked.ok()) fail(checked.error);
    }
    if (!bic.empty()) {
        const BankCheck checked = check_bic(bic);
        d.bic = checked.value;
        if (!checked.ok()) fail(checked.error);
    } else if (d.method == PayMethod::BankTransfer && !d.iban.empty() && check.ok() &&
               !is_sepa_country(iban_country(d.iban))) {
        fail("The IBAN " + d.iban + " is outside the SEPA area: its transfers need the BIC");
    }
    if (!d.email.empty() && !looks_like_email(d.email))
        fail("The e-mail \"" + d.email + "\" is not an e-mail address such as name@example.com");
    if (d.email.size() > payee::kEmail)
        fail("The e-mail has " + std::to_string(d.email.size()) + " characters; at most " +
             std::to_string(payee::kEmail) + " are kept");
    return check;
}

void encode_payee(const PayeeDetails& d, uint8_t* out) {
    std::memset(out, ' ', payee::kRecordSize);
    out[0] = static_cast<uint8_t>(method_byte(d.method));
    put(out, kHolderAt, payee::kHolder, d.holder);
    put(out, kIbanAt, payee::kIban, d.iban);
    put(out, kBicAt, payee::kBic, d.bic);
    put(out, kEmailAt, payee::kEmail, d.email);
    out[kEndAt] = '\n';
}

std::string decode_payee(const uint8_t* in, PayeeDetails& d) {
    d = PayeeDetails();
    bool zeros = true;
    for (size_t i = 0; i < payee::kRecordSize && zeros; ++i) zeros = in[i] == 0;
    if (zeros) return {};
    switch (in[0]) {
        case 'B':
            d.method = PayMethod::BankTransfer;
            break;
        case 'P':
            d.method = PayMethod::PayPal;
            break;
        case 'W':
            d.method = PayMethod::Wise;
            break;
        case ' ':
            break;
        default:
            return "an unknown payment method";
    }
    if (in[kEndAt] != '\n') return "a record that does not end where it should";
    if (!take(in, kHolderAt, payee::kHolder, d.holder) ||
        !take(in, kIbanAt, payee::kIban, d.iban) || !take(in, kBicAt, payee::kBic, d.bic) ||
        !take(in, kEmailAt, payee::kEmail, d.email)) {
        d = PayeeDetails();
        return "control characters in its text";
    }
    return {};
}

std::filesystem::path payee_file_path(const AppState& state) {
    return state.dataFile(payee::kFileName);
}

PayeeFile::PayeeFile(const std::filesystem::path& path) : path_(path) {
    if (file_exists(path)) file_.open(path, payee::kRecordSize);
}

PayeeFile::Lookup PayeeFile::read(int32_t affiliateId) const {
    Lookup found;
    if (!file_.isOpen() || affiliateId < 1) return found;
    uint8_t record[payee::kRecordSize];
    file_.readRaw(affiliateId, record);
    const std::string damage = decode_payee(record, found.details);
    if (!damage.empty())
        found.damage = "the payment details of affiliate ID " + std::to_string(affiliateId) +
                       " in " + path_.filename().string() + " are damaged (" + damage + ")";
    return found;
}

void PayeeFile::write(int32_t affiliateId, const PayeeDetails& details) {
    write({{affiliateId, details}});
}

void PayeeFile::write(const std::vector<std::pair<int32_t, PayeeDetails>>& details) {
    for (const auto& [id, d] : details)
        if (id < 1) throw FileError("No affiliate ID for the payment details");
    if (!file_.isOpen()) {
        if (path_.has_parent_path()) ensure_folder(path_.parent_path());
        file_.open(path_, payee::kRecordSize);
    }
    uint8_t record[payee::kRecordSize];
    for (const auto& [id, d] : details) {
        encode_payee(d, record);
        file_.writeRaw(id, record);
    }
    platform::File flushed;
    int err = flushed.open(path_, platform::Mode::Read);
    if (err == 0) err = flushed.syncData();
    if (err != 0) throw FileError("flush", path_, err);
}

void write_payee_file(const std::filesystem::path& path, const std::vector<PayeeDetails>& details) {
    if (path.has_parent_path()) ensure_folder(path.parent_path());
    AtomicFile file(path);
    std::string block;
    uint8_t record[payee::kRecordSize];
    for (const PayeeDetails& d : details) {
        encode_payee(d, record);
        block.append(reinterpret_cast<const char*>(record), payee::kRecordSize);
        if (block.size() >= (1u << 20)) {
            file.write(block);
            block.clear();
        }
    }
    file.write(block);
    file.commit();
}

}  // namespace qdx
