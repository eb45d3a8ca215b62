#include "core/ui/system_regional.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "core/ole_date.h"

namespace qdx::ui {
namespace {

// Whatever the system's locale, a date the program writes reads back: the
// start-up range is two such dates.
TEST(SystemRegional, EveryLocalesDatesReadBack) {
    const double days[] = {ole_from_ymd(2003, 3, 15), ole_from_ymd(1999, 12, 31),
                           ole_from_ymd(2030, 1, 2)};
    const auto locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 100);
    for (const QLocale& locale : locales) {
        const Regional regional = regional_from_locale(locale);
        for (double day : days) {
            const std::string shown = format_date(day, regional);
            EXPECT_EQ(parse_date(shown, regional), day)
                << locale.name().toStdString() << ": " << regional.shortDateFormat << " -> "
                << shown;
        }
    }
}

TEST(SystemRegional, BulgarianDropsTheLetterTheCodePageLacks) {
    const Regional bg = regional_from_locale(QLocale(QLocale::Bulgarian, QLocale::Bulgaria));
    EXPECT_EQ(format_date(ole_from_ymd(2003, 3, 15), bg), "15.03.2003");
    const Regional ar = regional_from_locale(QLocale(QLocale::Arabic, QLocale::Egypt));
    EXPECT_EQ(format_date(ole_from_ymd(2003, 3, 15), ar), "15/3/2003");
}

}  // namespace
}  // namespace qdx::ui
