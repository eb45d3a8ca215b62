#pragma once
// Conversions between text and numbers or dates by the user's regional
// settings. The windows read the settings from the system once at start and
// hand them to the engine as this plain value.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qdx {

struct Regional {
    // Short date pattern in d/dd/M/MM/MMM/MMMM/yyyy tokens and literal text
    // ('quoted' or other characters; Windows-1252); the year is always four
    // digits so that no date loses its century.
    std::string shortDateFormat = "dd/MM/yyyy";
    char decimalSeparator = '.';
    // Local month names (Windows-1252); English names are always understood too.
    std::array<std::string, 12> monthNames{};
    std::array<std::string, 12> monthAbbreviations{};

    // Widens two-digit years ("yy") to "yyyy"; keeps everything else.
    static std::string widenYear(std::string_view pattern);
};

// The regional settings as a system states them, all text in UTF-8: the
// short date as a picture in the letters Qt and Windows share (d, dd, M, MM,
// MMM, MMMM, yy, yyyy, 'quoted text', '' for a quote).
struct SystemRegional {
    std::string shortDate;
    std::string decimalPoint;
    std::array<std::string, 12> monthNames{};
    std::array<std::string, 12> monthAbbreviations{};
};

// The engine's value, by the same rules whoever read the system (Qt, or the
// platform layer where there is no Qt): the picture in Windows-1252 without
// direction marks, quoted text the code page cannot hold dropped with the
// blanks and dots it leaves at the end ("d.MM.yy 'г'." reads "d.MM.yyyy"),
// the year widened; the decimal point when it is one ASCII character, else
// '.'; month names in Windows-1252.
Regional regional_from_system(const SystemRegional& system);

// A C library date format (strftime's %d, %e, %m, %y, %Y, %b, %B, %D, %F,
// %%; the E and O modifiers ignored; other conversions dropped) as a picture
// of the letters above, its other letters quoted: "%d/%m/%y" is "dd/MM/yy".
std::string picture_from_strftime(std::string_view format);

// What a stored date that is no calendar date (NaN, infinite, out of the
// years 100 to 9999) shows as, in windows, searches, exports and reports.
inline constexpr const char* kDamagedDate = "?";

// A date in the short date format; kDamagedDate for one that is no calendar date.
std::string format_date(double oleDate, const Regional& regional);
// Lenient parse as a system date parser would: the short format's day/month/
// year order with "/", "-", "." or blanks between, ISO yyyy-mm-dd, month
// names ("15 March 2003", "15-Mar-2003"). Nothing when it is not a real date.
std::optional<double> parse_date(std::string_view text, const Regional& regional);

// A 4-byte float in its shortest general form, at most 7 significant digits
// (12.5, 100, 1.234568E+07), with the regional decimal separator.
std::string format_single(float value, const Regional& regional);
// A double, at most 15 significant digits.
std::string format_double(double value, const Regional& regional);
std::string format_long(int64_t value);
// Appends `value` in the shortest general form as printf's %G writes it, with
// at most `digits` significant digits and `separator` for the point; NaN and
// zero are "0". The formatters above and the report cells write through it.
void append_general(std::string& out, double value, int digits, char separator);

// A typed number with the regional decimal separator (blanks around allowed).
std::optional<double> parse_number(std::string_view text, const Regional& regional);
std::optional<float> parse_single(std::string_view text, const Regional& regional);
// Whole numbers: a fraction is rounded to the nearest, halves to even; values
// out of the type's range do not convert.
std::optional<int32_t> parse_long(std::string_view text, const Regional& regional);
std::optional<int16_t> parse_integer(std::string_view text, const Regional& regional);

// Rounds to 3 decimals, halves to even, on the value scaled by 1000 in double
// precision: 23.750500000000002 gives 23.751, an exact 0.0625 gives 0.062.
double round3(double value);
// Rounds a number written as text to 3 decimals (round3 of the value it reads
// as) and writes the result in plain decimal form. Text that is not a number
// counts as 0.
std::string round3_text(std::string_view text, const Regional& regional);
// round3 of a double, written with at most 15 significant digits.
std::string round3_double(double value, const Regional& regional);

}  // namespace qdx
