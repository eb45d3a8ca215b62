#include "core/regional.h"

#include <cctype>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/cp1252.h"
#include "core/ole_date.h"
#include "core/text_field.h"

namespace qdx {
namespace {

const std::array<const char*, 12> kEnglishMonths = {
    "january", "february", "march",     "april",   "may",      "june",
    "july",    "august",   "september", "october", "november", "december"};

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return std::isalpha(u) || u >= 0x80;
}

// Month number 1..12 of a name or abbreviation, 0 when it is none.
int month_of_word(std::string_view word, const Regional& regional) {
    std::string w = to_lower(word);
    if (!w.empty() && w.back() == '.') w.pop_back();
    if (w.size() < 3) return 0;
    for (int m = 0; m < 12; ++m) {
        std::string english = kEnglishMonths[static_cast<size_t>(m)];
        if (w == english || (w.size() >= 3 && english.compare(0, w.size(), w) == 0)) return m + 1;
        const std::string& local = regional.monthNames[static_cast<size_t>(m)];
        const std::string& abbrev = regional.monthAbbreviations[static_cast<size_t>(m)];
        std::string l = to_lower(local), a = to_lower(abbrev);
        if (!a.empty() && a.back() == '.') a.pop_back();
        if ((!l.empty() && w == l) || (!a.empty() && w == a)) return m + 1;
    }
    return 0;
}

struct Token {
    std::string text;
    bool number;
};

// Splits on "/", "-", ".", "," and blanks (at most one of "/-.," between two
// tokens); anything else makes the text no date.
std::optional<std::vector<Token>> tokenize(std::string_view s) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (is_digit(c) || is_letter(c)) {
            bool number = is_digit(c);
            size_t j = i;
            while (j < s.size() && (number ? is_digit(s[j]) : is_letter(s[j]))) ++j;
            tokens.push_back({std::string(s.substr(i, j - i)), number});
            i = j;
            // Separator run.
            int marks = 0;
            while (i < s.size() && !is_digit(s[i]) && !is_letter(s[i])) {
                char d = s[i];
                if (d == '/' || d == '-' || d == '.' || d == ',') {
                    if (++marks > 1) return std::nullopt;
                } else if (d != ' ' && d != '\t') {
                    return std::nullopt;
                }
                ++i;
            }
            if (i == s.size() && marks > 0 && !(marks == 1 && s.back() == '.'))
                return std::nullopt;  // a trailing separator, but "15. März 2003." style dot
        } else {
            return std::nullopt;
        }
    }
    return tokens;
}

std::optional<int> year_of(const std::string& digits) {
    if (digits.size() == 4) return std::atoi(digits.c_str());
    if (digits.size() <= 2) {
        int y = std::atoi(digits.c_str());
        return y < 30 ? 2000 + y : 1900 + y;
    }
    return std::nullopt;
}

std::optional<int> small_number(const std::string& digits) {
    if (digits.empty() || digits.size() > 2) return std::nullopt;
    return std::atoi(digits.c_str());
}

// Direction marks a short date pattern or a pasted date may carry (U+200E,
// U+200F, U+061C and the embedding and isolate controls), as UTF-8 bytes.
// They are invisible and never part of a date.
size_t direction_mark_at(std::string_view s, size_t i) {
    auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    if (i + 1 < s.size() && at(i) == 0xD8 && at(i + 1) == 0x9C) return 2;
    if (i + 2 < s.size() && at(i) == 0xE2 && at(i + 1) == 0x80 &&
        (at(i + 2) == 0x8E || at(i + 2) == 0x8F || (at(i + 2) >= 0xAA && at(i + 2) <= 0xAE)))
        return 3;
    if (i + 2 < s.size() && at(i) == 0xE2 && at(i + 1) == 0x81 && at(i + 2) >= 0xA6 &&
        at(i + 2) <= 0xA9)
        return 3;
    return 0;
}

std::string without_direction_marks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (size_t n = direction_mark_at(s, i)) {
            i += n;
        } else {
            out += s[i++];
        }
    }
    return out;
}

// A short date pattern as fields (a run of d, M or y) and literal text:
// quoted text ('' is a quote) and any other character.
struct PatternPart {
    char field = 0;  // 'd', 'M', 'y', or 0 for literal text
    size_t width = 0;
    std::string literal;
};

std::vector<PatternPart> pattern_parts(std::string_view pattern) {
    std::vector<PatternPart> parts;
    auto literal = [&]() -> std::string& {
        if (parts.empty() || parts.back().field != 0) parts.push_back({});
        return parts.back().literal;
    };
    const std::string p = without_direction_marks(pattern);
    for (size_t i = 0; i < p.size();) {
        char c = p[i];
        if (c == 'd' || c == 'M' || c == 'y') {
            size_t j = i;
            while (j < p.size() && p[j] == c) ++j;
            parts.push_back({c, j - i, {}});
            i = j;
        } else if (c == '\'') {
            if (i + 1 < p.size() && p[i + 1] == '\'') {
                literal() += '\'';
                i += 2;
                continue;
            }
            std::string& text = literal();
            size_t k = i + 1;
            for (; k < p.size(); ++k) {
                if (p[k] != '\'') {
                    text += p[k];
                } else if (k + 1 < p.size() && p[k + 1] == '\'') {
                    text += p[k++];
                } else {
                    break;
                }
            }
            i = k < p.size() ? k + 1 : k;
        } else {
            literal() += c;
            ++i;
        }
    }
    return parts;
}

bool is_date_separator(char c) {
    return c == '/' || c == '-' || c == '.' || c == ',' || c == ' ' || c == '\t';
}

// The pattern's literal words (its literal text without separators and
// blanks, such as the "г" of "d.MM.yyyy 'г'."), taken out of a typed date
// where they stand as whole words, so that a date as shown reads back.
std::string without_literal_words(std::string text, std::string_view pattern) {
    for (const PatternPart& part : pattern_parts(pattern)) {
        const std::string& l = part.literal;
        for (size_t i = 0; i < l.size();) {
            if (is_date_separator(l[i])) {
                ++i;
                continue;
            }
            size_t j = i;
            while (j < l.size() && !is_date_separator(l[j])) ++j;
            const std::string word = l.substr(i, j - i);
            i = j;
            for (size_t at = text.find(word); at != std::string::npos;
                 at = text.find(word, at + 1)) {
                const size_t end = at + word.size();
                const bool alone =
                    (at == 0 || !is_letter(text[at - 1]) || !is_letter(word[0])) &&
                    (end == text.size() || !is_letter(text[end]) || !is_letter(word.back()));
                if (alone) {
                    text.replace(at, word.size(), " ");
                    break;
                }
            }
        }
    }
    return text;
}

// Positions of day, month and year in the short date pattern.
struct Order {
    int day = 0, month = 1, year = 2;
};

Order order_of(std::string_view pattern) {
    Order order;
    int next = 0;
    bool seenD = false, seenM = false, seenY = false;
    for (const PatternPart& part : pattern_parts(pattern)) {
        if (part.field == 'd' && !seenD) {
            order.day = next++;
            seenD = true;
        } else if (part.field == 'M' && !seenM) {
            order.month = next++;
            seenM = true;
        } else if (part.field == 'y' && !seenY) {
            order.year = next++;
            seenY = true;
        }
    }
    if (next != 3) return Order{};
    return order;
}

std::optional<double> make_date(std::optional<int> y, std::optional<int> m, std::optional<int> d) {
    if (!y || !m || !d || !is_valid_ymd(*y, *m, *d)) return std::nullopt;
    return ole_from_ymd(*y, *m, *d);
}

// Digits of a number in text: sign, significant digits, and the power of ten
// of the last digit.
struct Decimal {
    bool negative = false;
    std::string digits;  // no leading zeros; empty for zero
    int exponent = 0;    // value = digits x 10^exponent
};

std::optional<Decimal> decimal_of(std::string_view text, char separator) {
    std::string_view s = trim(text);
    Decimal d;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.negative = s[i++] == '-';
    bool any = false, point = false;
    std::string digits;
    int fraction = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (is_digit(c)) {
            digits += c;
            any = true;
            if (point) ++fraction;
        } else if ((c == separator || c == '.') && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!any) return std::nullopt;
    int exponent = -fraction;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        bool negExp = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) negExp = s[i++] == '-';
        if (i >= s.size() || !is_digit(s[i])) return std::nullopt;
        int e = 0;
        for (; i < s.size() && is_digit(s[i]); ++i) e = std::min(e * 10 + (s[i] - '0'), 100000);
        exponent += negExp ? -e : e;
    }
    if (i != s.size()) return std::nullopt;
    size_t nz = digits.find_first_not_of('0');
    d.digits = nz == std::string::npos ? std::string() : digits.substr(nz);
    d.exponent = exponent;
    return d;
}

}  // namespace

std::string Regional::widenYear(std::string_view pattern) {
    std::string out;
    bool quoted = false;
    for (size_t i = 0; i < pattern.size();) {
        if (pattern[i] == '\'') quoted = !quoted;  // '' toggles twice
        if (pattern[i] == 'y' && !quoted) {
            size_t j = i;
            while (j < pattern.size() && pattern[j] == 'y') ++j;
            out += "yyyy";
            i = j;
        } else {
            out += pattern[i++];
        }
    }
    return out;
}

namespace {

bool is_direction_mark(char32_t u) {
    return u == 0x200E || u == 0x200F || u == 0x061C || (u >= 0x202A && u <= 0x202E) ||
           (u >= 0x2066 && u <= 0x2069);
}

// The picture in the engine's code page, so that every date shown reads
// back: direction marks are invisible and the code page lacks them; quoted
// text the code page cannot hold, such as the "г" of "d.MM.yy 'г'.", goes
// with the blanks and dots it leaves at the end.
std::string engine_date_pattern(std::string_view utf8) {
    const std::u32string pattern = utf8_code_points(utf8);
    std::u32string p;
    bool dropped = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char32_t c = pattern[i];
        if (is_direction_mark(c)) continue;
        if (c != U'\'') {
            p += c;
            continue;
        }
        // Quoted text up to the closing quote; '' stands for a quote.
        size_t k = i + 1;
        std::u32string text;
        for (; k < pattern.size(); ++k) {
            if (pattern[k] != U'\'') {
                if (!is_direction_mark(pattern[k])) text += pattern[k];
            } else if (k + 1 < pattern.size() && pattern[k + 1] == U'\'') {
                text += pattern[k++];
            } else {
                break;
            }
        }
        bool held = true;
        for (char32_t t : text) held = held && cp1252_holds(t);
        if (held) {
            p += U'\'';
            for (char32_t t : text) p += t == U'\'' ? std::u32string(U"''") : std::u32string(1, t);
            p += U'\'';
        } else {
            dropped = true;
        }
        i = k;
    }
    if (dropped)
        while (!p.empty() && (p.back() == U' ' || p.back() == U'.')) p.pop_back();
    std::string out;
    for (char32_t c : p) append_utf8(out, c);
    return utf8_to_cp1252(out);
}

}  // namespace

Regional regional_from_system(const SystemRegional& system) {
    Regional r;
    r.shortDateFormat = Regional::widenYear(engine_date_pattern(system.shortDate));
    const std::u32string point = utf8_code_points(system.decimalPoint);
    r.decimalSeparator = point.size() == 1 && point[0] < 0x80 ? static_cast<char>(point[0]) : '.';
    for (size_t m = 0; m < 12; ++m) {
        r.monthNames[m] = utf8_to_cp1252(system.monthNames[m]);
        r.monthAbbreviations[m] = utf8_to_cp1252(system.monthAbbreviations[m]);
    }
    return r;
}

std::string picture_from_strftime(std::string_view format) {
    std::string out;
    bool quoting = false;  // inside a quote opened for literal letters
    auto field = [&](std::string_view letters) {
        if (quoting) out += '\'';
        quoting = false;
        out += letters;
    };
    auto literal = [&](char c) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (c == '\'') {
            out += "''";
        } else if (letter) {
            if (!quoting) out += '\'';
            quoting = true;
            out += c;
        } else {
            if (quoting) out += '\'';
            quoting = false;
            out += c;
        }
    };
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            literal(format[i]);
            continue;
        }
        char c = format[++i];
        if ((c == 'E' || c == 'O') && i + 1 < format.size()) c = format[++i];
        switch (c) {
            case 'd':
                field("dd");
                break;
            case 'e':
                field("d");
                break;
            case 'm':
                field("MM");
                break;
            case 'y':
                field("yy");
                break;
            case 'Y':
                field("yyyy");
                break;
            case 'b':
            case 'h':
                field("MMM");
                break;
            case 'B':
                field("MMMM");
                break;
            case 'D':
                field("MM/dd/yy");
                break;
            case 'F':
                field("yyyy-MM-dd");
                break;
            case '%':
                literal('%');
                break;
            case 'n':
            case 't':
                literal(' ');
                break;
            default:
                break;  // a weekday, an era, a time: nothing the engine shows
        }
    }
    if (quoting) out += '\'';
    return out;
}

std::string format_date(double oleDate, const Regional& regional) {
    if (!is_calendar_date(oleDate)) return kDamagedDate;
    Ymd d = ymd_from_ole(oleDate);
    std::string out;
    char buffer[16];
    for (const PatternPart& part : pattern_parts(regional.shortDateFormat)) {
        const size_t n = part.width;
        const auto month = static_cast<size_t>(d.month - 1);
        if (part.field == 'd') {
            std::snprintf(buffer, sizeof buffer, n >= 2 ? "%02d" : "%d", d.day);
            out += buffer;
        } else if (part.field == 'M') {
            if (n >= 4 && !regional.monthNames[month].empty()) {
                out += regional.monthNames[month];
            } else if (n == 3 && !regional.monthAbbreviations[month].empty()) {
                out += regional.monthAbbreviations[month];
            } else {
                std::snprintf(buffer, sizeof buffer, n >= 2 ? "%02d" : "%d", d.month);
                out += buffer;
            }
        } else if (part.field == 'y') {
            std::snprintf(buffer, sizeof buffer, "%04d", d.year);
            out += buffer;
        } else {
            out += part.literal;
        }
    }
    return out;
}

namespace {

// yyyy-mm-dd (months and days of one or two digits), the form files bring:
// read directly, as the general reading below reads it in every region.
std::optional<std::optional<double>> iso_date(std::string_view s) {
    if (s.size() < 8 || s.size() > 10) return std::nullopt;
    const size_t dash1 = 4, dash2 = s.find('-', 5);
    if (s[dash1] != '-' || dash2 == std::string_view::npos) return std::nullopt;
    const std::string_view y = s.substr(0, 4), m = s.substr(5, dash2 - 5), d = s.substr(dash2 + 1);
    auto digits = [](std::string_view part, size_t most) {
        if (part.empty() || part.size() > most) return false;
        for (char c : part)
            if (!is_digit(c)) return false;
        return true;
    };
    if (!digits(y, 4) || !digits(m, 2) || !digits(d, 2)) return std::nullopt;
    return make_date(year_of(std::string(y)), small_number(std::string(m)),
                     small_number(std::string(d)));
}

}  // namespace

std::optional<double> parse_date(std::string_view text, const Regional& regional) {
    if (auto iso = iso_date(text)) return *iso;
    const std::string plain =
        without_literal_words(without_direction_marks(text), regional.shortDateFormat);
    auto tokens = tokenize(trim(plain));
    if (!tokens || tokens->size() != 3) return std::nullopt;
    const auto& t = *tokens;
    int words = 0, wordAt = -1;
    for (int i = 0; i < 3; ++i)
        if (!t[static_cast<size_t>(i)].number) ++words, wordAt = i;
    if (words > 1) return std::nullopt;
    if (words == 1) {
        int month = month_of_word(t[static_cast<size_t>(wordAt)].text, regional);
        if (month == 0) return std::nullopt;
        std::vector<std::string> numbers;
        for (int i = 0; i < 3; ++i)
            if (i != wordAt) numbers.push_back(t[static_cast<size_t>(i)].text);
        // "2003-Mar-15": the year comes first when it has four digits.
        if (numbers[0].size() == 4)
            return make_date(year_of(numbers[0]), month, small_number(numbers[1]));
        return make_date(year_of(numbers[1]), month, small_number(numbers[0]));
    }
    if (t[0].text.size() == 4)  // ISO yyyy-mm-dd
        return make_date(year_of(t[0].text), small_number(t[1].text), small_number(t[2].text));
    Order o = order_of(regional.shortDateFormat);
    return make_date(year_of(t[static_cast<size_t>(o.year)].text),
                     small_number(t[static_cast<size_t>(o.month)].text),
                     small_number(t[static_cast<size_t>(o.day)].text));
}

namespace {

// An amount of at most 3 decimals below 1e11, written in fixed form: the text
// %.15G gives, since such an amount has at most 14 significant digits and the
// double nearest to it is far nearer than half a unit of the 15th. False for
// any other value, which is left to the general writer.
bool append_thousandths(std::string& out, double value, char separator) {
    if (!(std::fabs(value) < 1e11)) return false;
    const double scaled = std::nearbyint(value * 1000);
    if (scaled / 1000 != value) return false;
    const auto m = static_cast<int64_t>(std::fabs(scaled));
    char buffer[24];
    char* end = buffer;
    if (value < 0) *end++ = '-';
    end = std::to_chars(end, buffer + sizeof buffer, m / 1000).ptr;
    if (int64_t decimals = m % 1000; decimals != 0) {
        *end++ = separator;
        int width = 3;
        for (; decimals % 10 == 0; decimals /= 10) --width;
        for (int i = width - 1; i >= 0; --i, decimals /= 10)
            end[i] = static_cast<char>('0' + decimals % 10);
        end += width;
    }
    out.append(buffer, end);
    return true;
}

}  // namespace

// std::to_chars renders exactly as printf's %g and a few times faster; the
// reports format millions of cells, most of them amounts of 3 decimals.
void append_general(std::string& out, double value, int digits, char separator) {
    if (value == 0 || std::isnan(value)) {
        out += '0';
        return;
    }
    if (digits == 15 && append_thousandths(out, value, separator)) return;
    char buffer[64];
    char* end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits)
            .ptr;
    for (char* p = buffer; p != end; ++p) {
        if (*p == 'e')
            *p = 'E';
        else if (*p == '.')
            *p = separator;
    }
    out.append(buffer, end);
}

std::string format_single(float value, const Regional& regional) {
    std::string out;
    append_general(out, static_cast<double>(value), 7, regional.decimalSeparator);
    return out;
}

std::string format_double(double value, const Regional& regional) {
    std::string out;
    append_general(out, value, 15, regional.decimalSeparator);
    return out;
}

std::string format_long(int64_t value) { return std::to_string(value); }

namespace {

// Plain decimal text as the number formatters write it: an optional minus,
// digits with at most one regional separator, an optional exponent (E+07),
// nothing else. Read directly; both this and strtod round correctly, so the
// value is the same as the general path's. Nothing when the text is not of
// that form or lies beyond what a double holds.
std::optional<double> parse_plain_decimal(std::string_view s, char separator) {
    char buffer[40];
    if (s.empty() || s.size() > sizeof buffer) return std::nullopt;
    size_t i = s[0] == '-' ? 1 : 0;
    bool point = false, digits = false;
    for (size_t j = 0; j < s.size(); ++j) buffer[j] = s[j];
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (is_digit(c)) {
            digits = true;
        } else if (c == separator && !point) {
            point = true;
            buffer[i] = '.';
        } else if ((c == 'E' || c == 'e') && digits) {
            size_t j = i + 1;
            if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
            if (j == s.size()) return std::nullopt;
            for (; j < s.size(); ++j)
                if (!is_digit(s[j])) return std::nullopt;
            break;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    double value = 0;
    auto [end, error] = std::from_chars(buffer, buffer + s.size(), value);
    if (error != std::errc() || end != buffer + s.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<double> parse_number(std::string_view text, const Regional& regional) {
    if (auto plain = parse_plain_decimal(text, regional.decimalSeparator)) return plain;
    std::string_view s = trim(text);
    if (s.empty()) return std::nullopt;
    // Only the regional separator counts as the decimal point.
    if (regional.decimalSeparator != '.' && s.find('.') != std::string_view::npos)
        return std::nullopt;
    auto d = decimal_of(s, regional.decimalSeparator);
    if (!d) return std::nullopt;
    std::string plain = (d->negative ? "-" : "") + (d->digits.empty() ? "0" : d->digits) + "e" +
                        std::to_string(d->exponent);
    double v = std::strtod(plain.c_str(), nullptr);
    if (std::isinf(v)) return std::nullopt;
    return v;
}

std::optional<float> parse_single(std::string_view text, const Regional& regional) {
    auto v = parse_number(text, regional);
    if (!v || std::fabs(*v) > FLT_MAX) return std::nullopt;
    return static_cast<float>(*v);
}

std::optional<int32_t> parse_long(std::string_view text, const Regional& regional) {
    auto v = parse_number(text, regional);
    if (!v) return std::nullopt;
    double r = std::nearbyint(*v);  // the default rounding mode: halves to even
    if (r < INT32_MIN || r > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(r);
}

std::optional<int16_t> parse_integer(std::string_view text, const Regional& regional) {
    auto v = parse_number(text, regional);
    if (!v) return std::nullopt;
    double r = std::nearbyint(*v);
    if (r < INT16_MIN || r > INT16_MAX) return std::nullopt;
    return static_cast<int16_t>(r);
}

double round3(double value) { return std::nearbyint(value * 1000) / 1000; }

std::string round3_text(std::string_view text, const Regional& regional) {
    // A text such as "4.0295" lies just below the tie once read as a double,
    // and so gives 4.029.
    auto value = parse_number(text, regional);
    if (!value) return "0";
    return round3_double(*value, regional);
}

std::string round3_double(double value, const Regional& regional) {
    // Rounded on the number itself: writing it out first would round twice.
    const double rounded = round3(value);
    if (!std::isfinite(rounded)) return "0";
    return format_double(rounded, regional);
}

}  // namespace qdx
