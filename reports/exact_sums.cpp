#include "reports/exact_sums.h"

#include <cmath>

#include "core/text_field.h"
#include "reports/shown_numbers.h"

namespace qdx {

namespace {

// Below this an amount's double is the nearest to its thousandths, and the
// product by 1000 is off by far less than half a thousandth.
constexpr double kByNumber = 4e12;

bool times_ten(int64_t& value, int times) {
    for (int i = 0; i < times; ++i)
        if (__builtin_mul_overflow(value, int64_t{10}, &value)) return false;
    return true;
}

// The text of a large amount, as the number formatters write it (digits,
// one separator, an exponent "E+15"), read exactly in thousandths.
std::optional<int64_t> text_thousandths(std::string_view text, char separator) {
    text = trim(text);
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    int64_t mantissa = 0;
    int decimals = 0, exponent = 0;
    bool point = false, digits = false;
    size_t i = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            if (!times_ten(mantissa, 1) ||
                __builtin_add_overflow(mantissa, int64_t{c - '0'}, &mantissa))
                return std::nullopt;
            if (point) ++decimals;
        } else if (c == separator && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return std::nullopt;
    if (i < text.size()) {
        if (text[i] != 'E' && text[i] != 'e') return std::nullopt;
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negativeExponent = text[i++] == '-';
        if (i == text.size()) return std::nullopt;
        for (; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9' || exponent > 400) return std::nullopt;
            exponent = exponent * 10 + (text[i] - '0');
        }
        if (negativeExponent) exponent = -exponent;
    }
    const int shift = exponent - decimals + 3;
    if (shift < 0) {
        for (int k = 0; k < -shift; ++k) {
            if (mantissa % 10 != 0) return std::nullopt;  // more than 3 decimals
            mantissa /= 10;
        }
    } else if (!times_ten(mantissa, shift)) {
        return std::nullopt;
    }
    return negative ? -mantissa : mantissa;
}

}  // namespace

std::optional<int64_t> cell_thousandths(const ReportTable& table, size_t row, size_t column) {
    switch (table.kind(row, column)) {
        case ReportTable::Kind::Long:
        case ReportTable::Kind::Single:
        case ReportTable::Kind::Rounded:
            break;
        default:
            return std::nullopt;
    }
    const double n = table.number(row, column);
    if (!std::isfinite(n)) return std::nullopt;
    if (std::fabs(n) < kByNumber) {
        const double k = std::nearbyint(n * 1000);
        // The cell shows at most 3 decimals exactly when it is the double of k/1000.
        if (k / 1000 == n) return static_cast<int64_t>(k);
    }
    return text_thousandths(table.text(row, column), table.regional().decimalSeparator);
}

ExactSum exact_column_sum(const ReportTable& table, size_t column) {
    ExactSum sum;
    const size_t end = table.rowCount() - (table.hasTotalRow ? 1 : 0);
    for (size_t r = 1; r < end; ++r) {
        ++sum.rows;
        sum.approximate += table.number(r, column);
        if (!sum.exact) continue;
        const std::optional<int64_t> k = cell_thousandths(table, r, column);
        if (!k || __builtin_add_overflow(sum.thousandths, *k, &sum.thousandths)) sum.exact = false;
    }
    return sum;
}

std::string exact_sum_text(const ExactSum& sum, const Regional& regional) {
    if (!sum.exact) {
        if (!std::isfinite(sum.approximate)) return non_finite_text(sum.approximate);
        return format_double(sum.approximate, regional);
    }
    const int64_t k = sum.thousandths;
    // The magnitude as an unsigned number: -INT64_MIN does not fit.
    const uint64_t magnitude = k < 0 ? 0 - static_cast<uint64_t>(k) : static_cast<uint64_t>(k);
    std::string text = k < 0 ? "-" : "";
    text += std::to_string(magnitude / 1000);
    std::string decimals = std::to_string(magnitude % 1000);
    decimals.insert(0, 3 - decimals.size(), '0');
    while (!decimals.empty() && decimals.back() == '0') decimals.pop_back();
    if (!decimals.empty()) text += regional.decimalSeparator + decimals;
    return text;
}

std::string exact_sums_note(const ReportTable& table, const Regional& regional) {
    if (!table.hasTotalRow || table.rowCount() < 2) return {};
    const size_t total = table.rowCount() - 1;
    std::string parts;
    for (size_t c : table.summedColumns) {
        const ExactSum sum = exact_column_sum(table, c);
        if (!sum.exact) continue;  // a damaged or vast amount: the Total row says what it is
        const std::optional<int64_t> shown = cell_thousandths(table, total, c);
        if (shown && *shown == sum.thousandths) continue;
        if (!parts.empty()) parts += ", ";
        parts += std::string(trim(table.text(0, c))) + " " + exact_sum_text(sum, regional);
    }
    if (parts.empty()) return {};
    return "The rows add up to exactly " + parts +
           "; the Total row adds them as 4-byte floats, to 7 digits.";
}

}  // namespace qdx
