#include "core/bank_details.h"

#include <algorithm>
#include <cstdint>

#include "core/latin_letters.h"

namespace qdx {

namespace {

struct IbanCountry {
    char code[3];
    uint8_t length;
    bool digitsOnly;  // the national part (after the check digits) holds digits only
    bool sepa;
};

// The IBAN registry: each country's IBAN length, sorted by code.
constexpr IbanCountry kCountries[] = {
    {"AD", 24, false, true},  {"AE", 23, true, false},  {"AL", 28, false, false},
    {"AT", 20, true, true},   {"AZ", 28, false, false}, {"BA", 20, true, false},
    {"BE", 16, true, true},   {"BG", 22, false, true},  {"BH", 22, false, false},
    {"BI", 27, true, false},  {"BR", 29, false, false}, {"BY", 28, false, false},
    {"CH", 21, false, true},  {"CR", 22, true, false},  {"CY", 28, false, true},
    {"CZ", 24, true, true},   {"DE", 22, true, true},   {"DJ", 27, true, false},
    {"DK", 18, true, true},   {"DO", 28, false, false}, {"EE", 20, true, true},
    {"EG", 29, true, false},  {"ES", 24, true, true},   {"FI", 18, true, true},
    {"FK", 18, false, false}, {"FO", 18, true, false},  {"FR", 27, false, true},
    {"GB", 22, false, true},  {"GE", 22, false, false}, {"GI", 23, false, true},
    {"GL", 18, true, false},  {"GR", 27, false, true},  {"GT", 28, false, false},
    {"HR", 21, true, true},   {"HU", 28, true, true},   {"IE", 22, false, true},
    {"IL", 23, true, false},  {"IQ", 23, false, false}, {"IS", 26, true, true},
    {"IT", 27, false, true},  {"JO", 30, false, false}, {"KW", 30, false, false},
    {"KZ", 20, false, false}, {"LB", 28, false, false}, {"LC", 32, false, false},
    {"LI", 21, false, true},  {"LT", 20, true, true},   {"LU", 20, false, true},
    {"LV", 21, false, true},  {"LY", 25, true, false},  {"MC", 27, false, true},
    {"MD", 24, false, false}, {"ME", 22, true, false},  {"MK", 19, false, false},
    {"MN", 20, true, false},  {"MR", 27, true, false},  {"MT", 31, false, true},
    {"MU", 30, false, false}, {"NI", 28, false, false}, {"NL", 18, false, true},
    {"NO", 15, true, true},   {"OM", 23, false, false}, {"PK", 24, false, false},
    {"PL", 28, true, true},   {"PS", 29, false, false}, {"PT", 25, true, true},
    {"QA", 29, false, false}, {"RO", 24, false, true},  {"RS", 22, true, false},
    {"RU", 33, false, false}, {"SA", 24, false, false}, {"SC", 31, false, false},
    {"SD", 18, true, false},  {"SE", 24, true, true},   {"SI", 19, true, true},
    {"SK", 24, true, true},   {"SM", 27, false, true},  {"SO", 23, true, false},
    {"ST", 25, true, false},  {"SV", 28, false, false}, {"TL", 23, true, false},
    {"TN", 24, true, false},  {"TR", 26, false, false}, {"UA", 29, false, false},
    {"VA", 22, true, true},   {"VG", 24, false, false}, {"XK", 20, true, false},
    {"YE", 30, false, false},
};

const IbanCountry* find_country(std::string_view code) {
    if (code.size() != 2) return nullptr;
    const auto* end = std::end(kCountries);
    const auto* at = std::lower_bound(std::begin(kCountries), end, code,
                                      [](const IbanCountry& c, std::string_view key) {
                                          return std::string_view(c.code, 2) < key;
                                      });
    return at != end && std::string_view(at->code, 2) == code ? at : nullptr;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_alnum(char c) { return is_digit(c) || is_upper(c); }

// Blanks dropped, letters made capitals; other characters kept, for the checks to name.
std::string compact(std::string_view typed) {
    std::string out;
    out.reserve(typed.size());
    for (char c : typed) {
        if (c == ' ' || c == '\t') continue;
        out += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return out;
}

// ISO 7064 mod 97-10 over the IBAN with its first four characters moved to
// the end and each letter read as the two digits 10..35.
int mod97(const std::string& iban) {
    int rest = 0;
    auto add = [&rest](int digit) { rest = (rest * 10 + digit) % 97; };
    for (size_t i = 0; i < iban.size(); ++i) {
        const char c = iban[(i + 4) % iban.size()];
        if (is_digit(c)) {
            add(c - '0');
        } else {
            const int value = c - 'A' + 10;
            add(value / 10);
            add(value % 10);
        }
    }
    return rest;
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

bool in_sepa_set(char c) {
    if ((c >= 'a' && c <= 'z') || is_upper(c) || is_digit(c)) return true;
    switch (c) {
        case '/':
        case '-':
        case '?':
        case ':':
        case '(':
        case ')':
        case '.':
        case ',':
        case '\'':
        case '+':
        case ' ':
            return true;
        default:
            return false;
    }
}

}  // namespace

std::string iban_country(std::string_view iban) {
    return iban.size() >= 2 ? std::string(iban.substr(0, 2)) : std::string();
}

bool is_sepa_country(std::string_view countryCode) {
    const IbanCountry* c = find_country(countryCode);
    return c && c->sepa;
}

BankCheck check_iban(std::string_view typed) {
    BankCheck result;
    result.value = compact(typed);
    const std::string& iban = result.value;
    const std::string named = "The IBAN " + quoted(typed);
    if (iban.empty()) {
        result.error = "No IBAN: a bank transfer needs the payee's IBAN";
        return result;
    }
    for (char c : iban)
        if (!is_alnum(c)) {
            result.error = named + " holds " + quoted(std::string(1, c)) +
                           ": an IBAN holds only letters and digits";
            return result;
        }
    const IbanCountry* country = find_country(iban_country(iban));
    if (!country || !is_upper(iban[0]) || !is_upper(iban[1])) {
        result.error = named + " does not begin with the code of a country that has IBANs";
        return result;
    }
    if (iban.size() != country->length) {
        result.error = named + " has " + std::to_string(iban.size()) + " characters; an IBAN of " +
                       iban_country(iban) + " has " + std::to_string(country->length);
        return result;
    }
    for (size_t i = 2; i < iban.size(); ++i)
        if ((i < 4 || country->digitsOnly) && !is_digit(iban[i])) {
            result.error = named + " has the letter " + quoted(std::string(1, iban[i])) +
                           " at place " + std::to_string(i + 1) + ", where " +
                           (i < 4 ? std::string("the check digits stand")
                                  : "an IBAN of " + iban_country(iban) + " has a digit");
            return result;
        }
    if (mod97(iban) != 1)
        result.error = named + " has wrong check digits: one of its characters is mistyped";
    return result;
}

BankCheck check_bic(std::string_view typed) {
    BankCheck result;
    result.value = compact(typed);
    const std::string& bic = result.value;
    const std::string named = "The BIC " + quoted(typed);
    if (bic.size() != 8 && bic.size() != 11) {
        result.error = named + " has " + std::to_string(bic.size()) +
                       " characters; a BIC has 8 or 11 (such as DEUTDEFF or DEUTDEFF500)";
        return result;
    }
    bool ok = std::all_of(bic.begin(), bic.begin() + 6, is_upper) &&
              std::all_of(bic.begin() + 6, bic.end(), is_alnum);
    // The place code's first character is never 0 or 1, its second never O.
    ok = ok && bic[6] != '0' && bic[6] != '1' && bic[7] != 'O';
    if (!ok)
        result.error = named +
                       " is not a BIC: 4 letters of the bank, 2 of its country, 2 letters or "
                       "digits of the place, and 3 of the branch if any";
    return result;
}

bool is_sepa_text(std::string_view text) {
    return std::all_of(text.begin(), text.end(), in_sepa_set);
}

BankCheck check_sepa_name(std::string_view utf8, size_t width) {
    BankCheck result;
    const FittedText fitted = fit_to_ascii(utf8);
    std::string& name = result.value;
    for (char c : fitted.text) {
        // A '?' stands for a letter with no Latin form: never part of a name.
        const char kept = in_sepa_set(c) && c != '?' ? c : ' ';
        if (kept == ' ' && (name.empty() || name.back() == ' ')) continue;
        name += kept;
    }
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name.size() > width) {
        name.resize(width);
        while (!name.empty() && name.back() == ' ') name.pop_back();
    }
    if (name.empty())
        result.error = utf8.empty()
                           ? std::string("No account holder's name: a bank transfer needs one")
                           : "The account holder's name " + quoted(utf8) +
                                 " has no Latin letters or digits a bank transfer can carry: type "
                                 "it in Latin letters";
    return result;
}

}  // namespace qdx
