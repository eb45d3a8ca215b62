#pragma once
// The account details a bank transfer carries: the IBAN (ISO 13616), the BIC
// (ISO 9362) and the account holder's name in the character set every SEPA
// bank takes. Each check names the value and what was expected.
#include <string>
#include <string_view>

namespace qdx {

struct BankCheck {
    std::string value;  // normalised: capitals, no blanks (the IBAN and BIC), or the fitted name
    std::string error;  // empty when the value passes
    bool ok() const { return error.empty(); }
};

// An IBAN as typed: blanks are dropped and letters made capitals. It must
// start with a country code the IBAN registry knows, be as long as that
// country's IBANs, hold digits where they belong and pass the mod-97 check.
BankCheck check_iban(std::string_view typed);

// The IBAN's country code, "DE" for DE89370400440532013000.
std::string iban_country(std::string_view iban);

// Whether a country takes part in SEPA credit transfers (where a transfer
// in euros needs no BIC).
bool is_sepa_country(std::string_view countryCode);

// A BIC as typed (blanks dropped, capitals): 4 letters of the bank, 2 of the
// country, 2 letters or digits of the place, and optionally 3 of the branch.
BankCheck check_bic(std::string_view typed);

// A name as a SEPA transfer carries it: letters of other scripts and accents
// become their nearest Latin letters ("Łukasz Żółć" becomes "Lukasz Zolc"),
// characters outside the SEPA set (a-z A-Z 0-9 / - ? : ( ) . , ' + and the
// blank) become blanks, doubled blanks go, and at most `width` characters
// stay. A name left empty is refused, saying why.
BankCheck check_sepa_name(std::string_view utf8, size_t width = 70);

// Whether every byte of `text` is in the SEPA character set.
bool is_sepa_text(std::string_view text);

}  // namespace qdx
