// Numbers written as printf's %G writes them, and read alike by the short path
// for plain decimal text and the general one (blanks, a plus sign, exponents).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "core/regional.h"

namespace qdx {
namespace {

std::string printf_general(double value, int digits) {
    if (value == 0) return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
    return buffer;
}

Regional with_separator(char separator) {
    Regional r;
    r.decimalSeparator = separator;
    return r;
}

TEST(NumberFormat, MatchesPrintfGeneralFormAcrossTheRange) {
    Regional r;
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        uint32_t bits = static_cast<uint32_t>(random());
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (!std::isfinite(f)) continue;
        ASSERT_EQ(format_single(f, r), printf_general(f, 7)) << bits;
        // Money-like amounts, and exact ties at the last kept digit.
        float money =
            static_cast<float>(static_cast<int64_t>(random() % 2000000000) - 1000000000) / 1000.0f;
        ASSERT_EQ(format_single(money, r), printf_general(money, 7));
        double tie = static_cast<double>(random() % 10000000) + 0.5;
        ASSERT_EQ(format_single(static_cast<float>(tie / 8), r),
                  printf_general(static_cast<float>(tie / 8), 7));
        ASSERT_EQ(format_double(tie / 1024, r), printf_general(tie / 1024, 15));
        uint64_t wide = random();
        double d;
        std::memcpy(&d, &wide, sizeof d);
        if (std::isfinite(d)) {
            ASSERT_EQ(format_double(d, r), printf_general(d, 15)) << wide;
        }
        // Amounts of 3 decimals up to the edge of fixed form, and values a
        // hair away from one, which have more digits to show.
        const int64_t wholeDigits = static_cast<int64_t>(random() % 15);
        const auto thousandths = static_cast<int64_t>(random() % 1000000000000000) %
                                 static_cast<int64_t>(std::pow(10.0, wholeDigits));
        const double amount = static_cast<double>(random() % 2 ? -thousandths : thousandths) / 1000;
        ASSERT_EQ(format_double(amount, r), printf_general(amount, 15)) << thousandths;
        const double near = std::nextafter(amount, 1e300);
        ASSERT_EQ(format_double(near, r), printf_general(near, 15)) << thousandths;
    }
    for (double edge : {99999999999.999, 1e11, -99999999999.999, 0.001, -0.001, 0.0005, 1e-300})
        EXPECT_EQ(format_double(edge, r), printf_general(edge, 15)) << edge;
    EXPECT_EQ(format_double(-1234.5, with_separator(',')), "-1234,5");
}

// A leading blank keeps the text off the short path.
void expect_both_paths_agree(const std::string& text, const Regional& regional) {
    SCOPED_TRACE("text: '" + text + "'");
    auto shortPath = parse_number(text, regional);
    auto generalPath = parse_number(" " + text, regional);
    ASSERT_EQ(shortPath.has_value(), generalPath.has_value());
    if (!shortPath) return;
    EXPECT_EQ(*shortPath, *generalPath);
    EXPECT_EQ(std::signbit(*shortPath), std::signbit(*generalPath));
    EXPECT_EQ(round3_text(text, regional), round3_text(" " + text, regional));
}

TEST(NumberReading, TrickyPlainTextReadsAsTheGeneralPathReadsIt) {
    const std::string dotTexts[] = {
        "0",  "-0",  "-0.000", "007",    "4.0295", "0.1305", "-2.0005",  "9.9995",
        ".5", "5.",  "-.5",    "1.2.3",  "--1",    "-",      ".",        "",
        "1-", "1 2", "+1",     "1e5",    "12,5",   "1E+05",  "-1.5E-07", "1.234568E+07",
        "1E", "1E+", "E5",     "1E+400", "1E-400", "-0E+00", "1E+5x"};
    const std::string longTexts[] = {"9007199254740993",
                                     "0.30000000000000004441",
                                     "3.4028235677973366E+38",
                                     "123456789012345678901234567890",
                                     "179769313486231570000000000000000000",
                                     "0.000000000000000000000000000000000001"};
    for (const std::string& text : longTexts) expect_both_paths_agree(text, with_separator('.'));
    for (const std::string& text : dotTexts) expect_both_paths_agree(text, with_separator('.'));
    const char* const commaTexts[] = {"17,5965", "-0,0005", ",25", "12.5", "1,2,3", "4,0295"};
    for (const char* text : commaTexts) expect_both_paths_agree(text, with_separator(','));
}

// What the reports actually feed in: every float as the formatter writes it.
TEST(NumberReading, FormattedFloatsReadTheSameBothWays) {
    std::mt19937 random(20261205);
    std::uniform_real_distribution<float> money(-100000.0f, 100000.0f);
    std::uniform_int_distribution<int> cents(-10000000, 10000000);
    const Regional dot = with_separator('.');
    const Regional comma = with_separator(',');
    for (int i = 0; i < 20000; ++i) {
        float value = i % 2 ? money(random) : static_cast<float>(cents(random)) / 100.0f;
        if (i % 3 == 0) value *= 1e9f;  // exponent forms too
        expect_both_paths_agree(format_single(value, dot), dot);
        expect_both_paths_agree(format_single(value, comma), comma);
    }
}

}  // namespace
}  // namespace qdx
