#pragma once
// Values as a spreadsheet reads them in any region: numbers with a decimal
// point and no padding, dates as yyyy-mm-dd.
#include <string>
#include <string_view>

namespace qdx {

// The shortest fixed-point form that reads back as the value; empty for NaN
// and infinities, "0" for minus zero.
std::string csv_number(double value);
// The same for a value stored as a 4-byte float, without the digits its
// widening to double would add.
std::string csv_number(float value);
// yyyy-mm-dd; empty for a stored date that is no calendar date.
std::string csv_date(double oleDate);

// True for a text a spreadsheet would take for a formula: one that begins
// with =, +, -, @, a tab or a carriage return.
bool starts_like_formula(std::string_view text);
// Such a text with a leading apostrophe, which makes the spreadsheet show it
// as text and never run it; any other text as it is.
std::string csv_text(std::string_view text);
// The same, appended to `out` from byte `start` on (the text already there).
void guard_csv_text(std::string& out, size_t start);

// Marks the text as UTF-8 for spreadsheets that would otherwise guess.
inline constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace qdx
