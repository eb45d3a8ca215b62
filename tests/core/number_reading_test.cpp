// Plain decimal text is read by a short path; text with blanks, a plus sign
// or an exponent goes the general way. Both must give the same double.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "core/regional.h"

namespace qdx {
namespace {

Regional with_separator(char separator) {
    Regional r;
    r.decimalSeparator = separator;
    return r;
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
    const std::string dotTexts[] = {"0",      "-0", "-0.000", "007", "4.0295", "0.1305", "-2.0005",
                                    "9.9995", ".5", "5.",     "-.5", "1.2.3",  "--1",    "-",
                                    ".",      "",   "1-",     "1 2", "+1",     "1e5",    "12,5"};
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
        expect_both_paths_agree(format_single(value, dot), dot);
        expect_both_paths_agree(format_single(value, comma), comma);
    }
}

}  // namespace
}  // namespace qdx
