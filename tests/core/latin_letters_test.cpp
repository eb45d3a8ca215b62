#include "core/latin_letters.h"

#include <gtest/gtest.h>

#include "core/cp1252.h"

namespace qdx {
namespace {

TEST(LatinLettersTest, NamesOutsideTheCodePageBecomeTheirNearestLetters) {
    FittedText polish = fit_to_cp1252("Wiśniewski Łukasz Żółć");
    EXPECT_EQ(polish.text, "Wisniewski Lukasz Zólc");  // ó is in Windows-1252 and stays
    EXPECT_EQ(polish.replaced,
              U"śŁŻł"
              U"ć");
    EXPECT_TRUE(polish.unknown.empty());

    EXPECT_EQ(fit_to_cp1252("Щукин Ёжик").text, "Shchukin Ezhik");
    EXPECT_EQ(fit_to_cp1252("Ștefan Țurcanu").text, "Stefan Turcanu");
    EXPECT_EQ(fit_to_cp1252("Αθήνα Σοφία").text, "Athina Sofia");
    EXPECT_EQ(fit_to_cp1252("Zoë Müller").text, "Zoë Müller");
    EXPECT_FALSE(fit_to_cp1252("Zoë Müller").changed());
}

TEST(LatinLettersTest, PlainLettersForBanksAndUnknownCharactersSaidSo) {
    EXPECT_EQ(fit_to_ascii("Łukasz Żółć").text, "Lukasz Zolc");
    EXPECT_EQ(fit_to_ascii("Straße “Öl” – 5 €").text, "Strasse \"Ol\" - 5 EUR");
    EXPECT_EQ(fit_to_ascii("e\xCC\x81").text, "e");  // a combining accent is dropped

    FittedText han = fit_to_cp1252("李 Li");
    EXPECT_EQ(han.text, "? Li");
    EXPECT_EQ(han.unknown, U"李");

    FittedText broken = fit_to_cp1252(
        "a\xFF"
        "b");
    EXPECT_EQ(broken.text, "a?b");
    EXPECT_EQ(broken.unknown, U"\uFFFD");
}

TEST(LatinLettersTest, EveryLatinAndCyrillicLetterHasItsNearestLetters) {
    for (char32_t c = 0xC0; c < 0x180; ++c) {
        auto near = nearest_latin(c);
        ASSERT_TRUE(near && !near->empty()) << static_cast<unsigned>(c);
        for (char ch : *near) EXPECT_TRUE(ch > 0x20 && ch < 0x7F) << static_cast<unsigned>(c);
    }
    for (char32_t c = 0x410; c < 0x450; ++c)
        EXPECT_TRUE(nearest_latin(c)) << static_cast<unsigned>(c);
    EXPECT_EQ(utf8_to_cp1252("ab\xF0\x9F\x98\x80"
                             "c"),
              "ab?c");  // outside the BMP
    std::string round;
    append_utf8(round, U'\U0001F600');
    EXPECT_EQ(round, "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace qdx
