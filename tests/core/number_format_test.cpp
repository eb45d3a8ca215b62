// Numbers are rendered as printf's %G would render them: the shortest
// general form with at most 7 (Single) or 15 (Double) significant digits.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "core/regional.h"

namespace qdx {
namespace {

std::string printf_general(double value, int digits) {
    if (value == 0) return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
    return buffer;
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
    }
}

TEST(NumberFormat, TheSeparatorIsRegional) {
    Regional r;
    r.decimalSeparator = ',';
    EXPECT_EQ(format_single(-2.5f, r), "-2,5");
    EXPECT_EQ(format_double(1.5e20, r), "1,5E+20");
}

}  // namespace
}  // namespace qdx
