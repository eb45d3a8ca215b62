#include "reports/shown_numbers.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <optional>

namespace qdx {

namespace {

// Exact powers of ten: every one up to 1e22 is a double without rounding.
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kExactPowers = 22;

// The separators the number formatters can write and read back like a point.
bool plain_separator(char c) {
    return !(c >= '0' && c <= '9') && c != 'E' && c != 'e' && c != '-' && c != '+' && c != ' ' &&
           c != '\0';
}

// The value of a text the number formatters wrote (0 when it is not a number).
double read_back(const std::string& text, const Regional& regional) {
    return parse_number(text, regional).value_or(0);
}

// The value the 7-digit text of a finite, non-zero float reads back as,
// worked out on the number: the float scaled to seven integer digits by an
// exact power of ten, rounded, and scaled back by one correctly rounded
// division or product, which is what reading the decimal text gives.
// Nothing when the scaled value lies too near a half to round surely, or the
// power of ten would not be exact.
// Written without library calls (ilogb, floor, nearbyint are calls on the
// baseline x86-64), as every cell of a report and every running total
// passes here.
std::optional<double> seven_digit_value(float value) {
    const double a = std::fabs(static_cast<double>(value));
    // The power of two (a float is a normal double) gives the power of ten to
    // within one; the loop settles it. 78913 / 2^18 is log10(2) to 6 digits.
    const int exponent = static_cast<int>((std::bit_cast<uint64_t>(a) >> 52) & 0x7ff) - 1023;
    int k = 6 - ((exponent * 78913) >> 18);
    for (int tries = 0; tries < 3; ++tries) {
        if (k > kExactPowers || k < -kExactPowers) return std::nullopt;
        // One rounding at most: the scaled value is off by less than 2e-9.
        const double scaled =
            k >= 0 ? a * kPowersOfTen[k] : a / kPowersOfTen[static_cast<size_t>(-k)];
        if (scaled < 1e6) {
            ++k;
            continue;
        }
        if (scaled >= 1e7) {
            --k;
            continue;
        }
        // Below 2^52 adding 2^52 leaves no fraction: the sum is rounded to
        // a whole number, halves to even, as nearbyint rounds.
        constexpr double kWhole = 4503599627370496.0;
        const double r = (scaled + kWhole) - kWhole;
        const double fraction = scaled - (r > scaled ? r - 1 : r);
        if (std::fabs(fraction - 0.5) < 1e-6) return std::nullopt;
        const double back =
            k >= 0 ? r / kPowersOfTen[k] : r * kPowersOfTen[static_cast<size_t>(-k)];
        return value < 0 ? -back : back;
    }
    return std::nullopt;
}

// shown_value of a float, with whether the separator is plain looked at once.
double shown_float(float value, bool plain, const Regional& regional) {
    if (!std::isfinite(value)) return value;
    if (value == 0) return 0;
    if (plain)
        if (std::optional<double> v = seven_digit_value(value)) return *v;
    return read_back(format_single(value, regional), regional);
}

}  // namespace

double shown_value(float value, const Regional& regional) {
    return shown_float(value, plain_separator(regional.decimalSeparator), regional);
}

double shown_value(double value, const Regional& regional) {
    if (!std::isfinite(value)) return value;
    return read_back(format_double(value, regional), regional);
}

float as_single(double value) {
    if (!std::isfinite(value)) return static_cast<float>(value);
    if (!(std::fabs(value) <= FLT_MAX)) return 0.0f;
    return static_cast<float>(value);
}

const char* non_finite_text(double value) {
    if (std::isnan(value)) return "NaN";
    return value < 0 ? "-inf" : "inf";
}

float shown_single(float value, const Regional& regional) {
    return as_single(shown_value(value, regional));
}

void add_up_shown(std::span<const double* const> columns, size_t rows, std::span<float> sums,
                  const Regional& regional) {
    const bool plain = plain_separator(regional.decimalSeparator);
    constexpr size_t kSideBySide = 4;
    for (size_t first = 0; first < columns.size(); first += kSideBySide) {
        const size_t n = std::min(kSideBySide, columns.size() - first);
        float running[kSideBySide] = {}, latest[kSideBySide] = {};
        for (size_t r = 0; r < rows; ++r)
            for (size_t k = 0; k < n; ++k) {
                latest[k] = running[k] + as_single(columns[first + k][r]);
                running[k] = as_single(shown_float(latest[k], plain, regional));
            }
        for (size_t k = 0; k < n; ++k) sums[first + k] = latest[k];
    }
}

}  // namespace qdx
