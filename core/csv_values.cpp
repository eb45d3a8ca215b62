#include "core/csv_values.h"

#include <charconv>
#include <cmath>
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

std::string csv_date(double oleDate) {
    if (!is_calendar_date(oleDate)) return {};
    const Ymd d = ymd_from_ole(oleDate);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buffer;
}

}  // namespace qdx
