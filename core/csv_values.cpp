#include "core/csv_values.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdio>

#include "core/ole_date.h"

namespace qdx {

namespace {

template <class Number>
std::string shortest(Number value) {
    if (!std::isfinite(value)) return {};
    if (value == 0) return "0";
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string csv_number(double value) { return shortest(value); }
std::string csv_number(float value) { return shortest(value); }

bool starts_like_formula(std::string_view text) {
    if (text.empty()) return false;
    switch (text.front()) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
            return true;
        default:
            return false;
    }
}

std::string csv_text(std::string_view text) {
    std::string out;
    if (starts_like_formula(text)) out += '\'';
    out += text;
    return out;
}

void guard_csv_text(std::string& out, size_t start) {
    if (start <= out.size() && starts_like_formula(std::string_view(out).substr(start)))
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(start), '\'');
}

std::string csv_date(double oleDate) {
    if (!is_calendar_date(oleDate)) return {};
    const Ymd d = ymd_from_ole(oleDate);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buffer;
}

}  // namespace qdx
