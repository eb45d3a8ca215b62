#include "core/latin_letters.h"

#include <array>

#include "core/cp1252.h"

namespace qdx {
namespace {

// U+00C0..U+017F: Latin-1 letters and Latin Extended-A.
constexpr std::array<const char*, 0x180 - 0xC0> kLatin = {
    "A", "A", "A",  "A",  "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",   // C0
    "D", "N", "O",  "O",  "O", "O", "O",  "x", "O", "U", "U", "U", "U", "Y", "Th", "ss",  // D0
    "a", "a", "a",  "a",  "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",   // E0
    "d", "n", "o",  "o",  "o", "o", "o",  "/", "o", "u", "u", "u", "u", "y", "th", "y",   // F0
    "A", "a", "A",  "a",  "A", "a", "C",  "c", "C", "c", "C", "c", "C", "c", "D",  "d",   // 100
    "D", "d", "E",  "e",  "E", "e", "E",  "e", "E", "e", "E", "e", "G", "g", "G",  "g",   // 110
    "G", "g", "G",  "g",  "H", "h", "H",  "h", "I", "i", "I", "i", "I", "i", "I",  "i",   // 120
    "I", "i", "IJ", "ij", "J", "j", "K",  "k", "k", "L", "l", "L", "l", "L", "l",  "L",   // 130
    "l", "L", "l",  "N",  "n", "N", "n",  "N", "n", "n", "N", "n", "O", "o", "O",  "o",   // 140
    "O", "o", "OE", "oe", "R", "r", "R",  "r", "R", "r", "S", "s", "S", "s", "S",  "s",   // 150
    "S", "s", "T",  "t",  "T", "t", "T",  "t", "U", "u", "U", "u", "U", "u", "U",  "u",   // 160
    "U", "u", "U",  "u",  "W", "w", "Y",  "y", "Y", "Z", "z", "Z", "z", "Z", "z",  "s"};  // 170

// U+0410..U+044F, Russian letters as passports write them; lower case follows.
constexpr std::array<const char*, 32> kCyrillic = {
    "A", "B", "V", "G", "D", "E",  "Zh", "Z",  "I",  "I",    "K",  "L", "M", "N", "O",  "P",
    "R", "S", "T", "U", "F", "Kh", "Ts", "Ch", "Sh", "Shch", "Ie", "Y", "",  "E", "Iu", "Ia"};

// U+0391..U+03A9; U+03A2 is unassigned.
constexpr std::array<const char*, 25> kGreek = {"A", "V", "G", "D", "E",  "Z",  "I", "Th", "I",
                                                "K", "L", "M", "N", "X",  "O",  "P", "R",  "",
                                                "S", "T", "Y", "F", "Ch", "Ps", "O"};

std::string lower(std::string s) {
    for (char& ch : s)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return s;
}

std::optional<std::string> cyrillic(char32_t c) {
    if (c >= 0x0410 && c <= 0x042F) return kCyrillic[c - 0x0410];
    if (c >= 0x0430 && c <= 0x044F) return lower(kCyrillic[c - 0x0430]);
    switch (c) {
        case 0x0401:
            return "E";
        case 0x0451:
            return "e";
        case 0x0404:
            return "Ie";
        case 0x0454:
            return "ie";
        case 0x0406:
        case 0x0407:
            return "I";
        case 0x0456:
        case 0x0457:
            return "i";
        case 0x040E:
            return "U";
        case 0x045E:
            return "u";
        case 0x0490:
            return "G";
        case 0x0491:
            return "g";
        default:
            return std::nullopt;
    }
}

std::optional<std::string> greek(char32_t c) {
    switch (c) {  // letters with a tonos
        case 0x0386:
            c = 0x0391;
            break;
        case 0x0388:
            c = 0x0395;
            break;
        case 0x0389:
            c = 0x0397;
            break;
        case 0x038A:
            c = 0x0399;
            break;
        case 0x038C:
            c = 0x039F;
            break;
        case 0x038E:
            c = 0x03A5;
            break;
        case 0x038F:
            c = 0x03A9;
            break;
        case 0x03AC:
            c = 0x03B1;
            break;
        case 0x03AD:
            c = 0x03B5;
            break;
        case 0x03AE:
            c = 0x03B7;
            break;
        case 0x03AF:
            c = 0x03B9;
            break;
        case 0x03CC:
            c = 0x03BF;
            break;
        case 0x03CD:
            c = 0x03C5;
            break;
        case 0x03CE:
            c = 0x03C9;
            break;
        case 0x03C2:
            return "s";  // final sigma
        default:
            break;
    }
    if (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) return kGreek[c - 0x0391];
    if (c >= 0x03B1 && c <= 0x03C9) return lower(kGreek[c - 0x03B1]);
    return std::nullopt;
}

// Punctuation and signs beyond ASCII.
std::optional<std::string> sign(char32_t c) {
    switch (c) {
        case 0x00A0:
        case 0x2002:
        case 0x2003:
        case 0x2009:
        case 0x202F:
            return " ";
        case 0x2018:
        case 0x2019:
        case 0x201A:
        case 0x2039:
        case 0x203A:
        case 0x00B4:
            return "'";
        case 0x201C:
        case 0x201D:
        case 0x201E:
        case 0x00AB:
        case 0x00BB:
            return "\"";
        case 0x2010:
        case 0x2011:
        case 0x2013:
        case 0x2014:
        case 0x2212:
        case 0x00AD:
            return "-";
        case 0x2026:
            return "...";
        case 0x2022:
        case 0x00B7:
            return "*";
        case 0x20AC:
            return "EUR";
        case 0x00A3:
            return "GBP";
        case 0x00A9:
            return "(c)";
        case 0x00AE:
            return "(R)";
        case 0x2122:
            return "TM";
        case 0x00B0:
            return "o";
        case 0x00AA:
            return "a";
        case 0x00BA:
            return "o";
        case 0x00D7:
            return "x";
        case 0x0192:
            return "f";
        default:
            return std::nullopt;
    }
}

template <class Keep>
FittedText fit(std::string_view utf8, Keep keep) {
    FittedText out;
    out.text.reserve(utf8.size());
    for (char32_t c : utf8_code_points(utf8)) {
        if (keep(c)) {
            append_utf8(out.text, c);
            continue;
        }
        std::optional<std::string> near = nearest_latin(c);
        std::u32string& list = near ? out.replaced : out.unknown;
        if (list.find(c) == std::u32string::npos) list += c;
        out.text += near ? *near : "?";
    }
    return out;
}

}  // namespace

std::optional<std::string> nearest_latin(char32_t c) {
    if (c >= 0x20 && c < 0x7F) return std::string(1, static_cast<char>(c));
    if (c >= 0x00C0 && c < 0x0180) return kLatin[c - 0x00C0];
    if (c >= 0x0300 && c <= 0x036F) return "";  // a combining accent adds nothing
    switch (c) {
        case 0x0218:
            return "S";  // Romanian comma below
        case 0x0219:
            return "s";
        case 0x021A:
            return "T";
        case 0x021B:
            return "t";
        case 0x1E9E:
            return "SS";
        default:
            break;
    }
    if (auto s = cyrillic(c)) return s;
    if (auto s = greek(c)) return s;
    return sign(c);
}

FittedText fit_to_cp1252(std::string_view utf8) {
    return fit(utf8, [](char32_t c) { return c != U'\uFFFD' && cp1252_holds(c); });
}

FittedText fit_to_ascii(std::string_view utf8) {
    return fit(utf8, [](char32_t c) { return c >= 0x20 && c < 0x7F; });
}

}  // namespace qdx
