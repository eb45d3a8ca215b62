#pragma once
// Comma-separated values as spreadsheets write and read them (RFC 4180):
// fields separated by a delimiter, quoted when they hold the delimiter, a
// quote or a line break (a quote inside doubled), records ending in CR LF or
// LF. Reading takes UTF-8 with or without a byte-order mark, or
// Windows-1252 when the bytes are not valid UTF-8; writing gives UTF-8.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qdx::csv {

// A record of the file: the line it starts on (1-based) and its fields,
// converted to Windows-1252, the registers' encoding.
struct Record {
    int64_t line = 0;
    std::vector<std::string> fields;
};

// The file cannot be read as CSV (an unterminated quote, a NUL byte, text
// that is not in Windows-1252, a field too long): names the line.
struct Error : std::runtime_error {
    Error(int64_t line, const std::string& what);
    int64_t line;
};

// Reads every record of `bytes` in file order, handing each to `visit`;
// `visit` answers false to stop. Throws Error.
void read(std::string_view bytes, char delimiter, const std::function<bool(Record&&)>& visit);

// One record as a line of UTF-8 CSV ending in CR LF; `fields` in
// Windows-1252.
std::string line(const std::vector<std::string>& fields, char delimiter = ',');

}  // namespace qdx::csv
