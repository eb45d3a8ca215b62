#pragma once
// Comma-separated values as spreadsheets write and read them (RFC 4180):
// fields separated by a delimiter, quoted when they hold the delimiter, a
// quote or a line break (a quote inside doubled), records ending in CR LF or
// LF. Reading takes UTF-8 with or without a byte-order mark, UTF-16 with its
// byte-order mark, or Windows-1252 when the bytes are no UTF-8 at all;
// writing gives UTF-8.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/latin_letters.h"

namespace qdx::csv {

// A field holding characters Windows-1252 lacks: its text as the file has it
// (UTF-8) and as its nearest Latin letters would keep it.
struct Unkept {
    size_t field = 0;  // index into Record::fields
    std::string utf8;
    FittedText fitted;
};

// A record of the file: the line it starts on (1-based) and its fields,
// converted to Windows-1252, the registers' encoding; a field with
// characters the code page lacks holds their nearest Latin letters and is
// listed in `unkept`.
struct Record {
    int64_t line = 0;
    std::vector<std::string> fields;
    std::vector<Unkept> unkept;
};

// The file cannot be read as CSV (an unterminated quote, a NUL byte, a
// damaged UTF-8 or UTF-16 character, UTF-16 without its byte-order mark, a
// field too long): names the line.
struct Error : std::runtime_error {
    Error(int64_t line, const std::string& what);
    int64_t line;
};

// Reads every record of `bytes` in file order, handing each to `visit`;
// `visit` answers false to stop. A `delimiter` of 0 is found from the header
// line (see find_delimiter). Answers the delimiter used. Throws Error.
char read(std::string_view bytes, char delimiter, const std::function<bool(Record&&)>& visit);

// The delimiter of a file whose first line is its header: of comma,
// semicolon and tab, the one found most often outside quotes in the first
// line that is not blank; a comma when none is there.
char find_delimiter(std::string_view text);

// A delimiter as messages name it: "comma", "semicolon", "tab".
const char* delimiter_name(char delimiter);

// One record as a line of UTF-8 CSV ending in CR LF; `fields` in
// Windows-1252.
std::string line(const std::vector<std::string>& fields, char delimiter = ',');

}  // namespace qdx::csv
