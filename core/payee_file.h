#pragma once
// How each affiliate is paid, kept beside the affiliates file in
// data/payees.qdx: one record of 256 bytes per affiliate, record k for
// affiliate k, so a lookup is one read at a known place and the file is
// opened once for a whole payout. A record past the end of the file, or all
// zeros, means "not given".
//
// Record layout (ASCII text fields, blank-padded):
//   0        payment method: 'B' bank transfer, 'P' PayPal, 'W' Wise, ' ' none
//   1..70    account holder's name (70), in the SEPA character set
//   71..104  IBAN (34), capitals, no blanks
//   105..115 BIC (11)
//   116..215 e-mail to pay to at PayPal or Wise (100), when not the affiliate's own
//   216..254 blanks
//   255      '\n'
// One record is written in place by a single write of its 256 bytes (which a
// kill never cuts, as it never crosses a page) and flushed; a whole file (the
// demo, an import) is replaced through a temporary file.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/record_file.h"

namespace qdx {

struct AppState;

enum class PayMethod { None, BankTransfer, PayPal, Wise };

// "bank transfer", "PayPal", "Wise", "none".
const char* pay_method_name(PayMethod method);
// The reverse, ignoring case, blanks and hyphens ("bank", "bank transfer",
// "paypal", "wise", "none" or empty); false for anything else.
bool parse_pay_method(std::string_view text, PayMethod& method);

struct PayeeDetails {
    PayMethod method = PayMethod::None;
    std::string holder, iban, bic, email;
    bool operator==(const PayeeDetails&) const = default;
};

namespace payee {
constexpr size_t kRecordSize = 256;
constexpr size_t kHolder = 70, kIban = 34, kBic = 11, kEmail = 100;
constexpr const char* kFileName = "payees.qdx";
}  // namespace payee

// The outcome of the checks made on save or import: the details as they will
// be stored (IBAN and BIC normalised, the name fitted to the SEPA set), and
// the first fault, naming the value and what was expected.
struct PayeeCheck {
    PayeeDetails details;
    std::string error;
    bool nameChanged = false;  // the holder's name was fitted: show it before saving
    bool ok() const { return error.empty(); }
};

// Checks what was typed. A bank transfer needs the holder's name and a valid
// IBAN; a BIC is checked when given (and needed for an IBAN outside SEPA).
// PayPal and Wise need nothing (the affiliate's own e-mail is used), but a
// given e-mail must look like one. Filled fields are checked for every method.
PayeeCheck check_payee(const PayeeDetails& typed);

// The 256 bytes of a record, and back. decode_payee returns an empty text
// for a good record and otherwise what is wrong with it.
void encode_payee(const PayeeDetails& details, uint8_t* out);
std::string decode_payee(const uint8_t* record, PayeeDetails& details);

std::filesystem::path payee_file_path(const AppState& state);

// The payee file, open for lookups by affiliate ID.
class PayeeFile {
  public:
    // A missing file is read as every affiliate without details; nothing is created.
    explicit PayeeFile(const std::filesystem::path& path);

    struct Lookup {
        PayeeDetails details;
        std::string damage;  // empty unless the record is damaged
    };
    Lookup read(int32_t affiliateId) const;
    // Writes one affiliate's details (already checked) in place; throws FileError.
    void write(int32_t affiliateId, const PayeeDetails& details);
    // The same for many (an import), flushed once.
    void write(const std::vector<std::pair<int32_t, PayeeDetails>>& details);

  private:
    std::filesystem::path path_;
    RecordFile file_;
};

// Replaces the whole file with the details of affiliates 1..details.size()
// (index 0 is affiliate 1); throws FileError, leaving the file as it was.
void write_payee_file(const std::filesystem::path& path, const std::vector<PayeeDetails>& details);

}  // namespace qdx
