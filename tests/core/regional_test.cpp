#include "core/regional.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/ole_date.h"

namespace qdx {
namespace {

Regional british() { return Regional{}; }

Regional german() {
    Regional r;
    r.shortDateFormat = Regional::widenYear("dd.MM.yy");
    r.decimalSeparator = ',';
    r.monthNames = {"Januar", "Februar", "M\xE4rz",   "April",   "Mai",      "Juni",
                    "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    return r;
}

Regional american() {
    Regional r;
    r.shortDateFormat = Regional::widenYear("M/d/yy");
    return r;
}

TEST(Dates, DamagedStoredDatesShowAsAQuestionMark) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double damaged : {nan, inf, -inf, 1e300, -1e300, 9.3e18, 2958466.0, -657435.0})
        EXPECT_EQ(format_date(damaged, british()), "?") << damaged;
    EXPECT_EQ(format_date(2958465.5, british()), "31/12/9999");  // the last day, with a time
    EXPECT_EQ(format_date(-657434, british()), "01/01/0100");
    EXPECT_EQ(ymd_from_ole(nan).year, 1899);
}

TEST(Dates, ParsedLeniently) {
    double march15 = ole_from_ymd(2003, 3, 15);
    for (const char* text : {"15/03/2003", "15-3-2003", "15.03.03", "15 3 2003", "2003-03-15",
                             "15 March 2003", "15-Mar-2003", " 15/3/2003 ", "March 15, 2003"})
        EXPECT_EQ(parse_date(text, british()), march15) << text;
    EXPECT_EQ(parse_date("15.03.2003", german()), march15);
    EXPECT_EQ(parse_date("15. M\xE4rz 2003", german()), march15);
    EXPECT_EQ(parse_date("3/15/2003", american()), march15);
    EXPECT_EQ(parse_date("01/01/29", british()), ole_from_ymd(2029, 1, 1));
    EXPECT_EQ(parse_date("01/01/30", british()), ole_from_ymd(1930, 1, 1));
    for (const char* text : {"", "  ", "31/02/2003", "15/03/2003x", "15/13/2003", "abc",
                             "15//03/2003", "15/03", "15/03/2003/1", "15/03/203"})
        EXPECT_FALSE(parse_date(text, british())) << text;
}

// Short formats with literal text and direction marks (as UTF-8 bytes, and
// the code page's "?" for a letter it lacks): what is written reads back.
TEST(Dates, LiteralTextAndDirectionMarksReadBack) {
    const double day = ole_from_ymd(2003, 3, 15);
    const std::string rlm = "\xE2\x80\x8F", alm = "\xD8\x9C", lrm = "\xE2\x80\x8E";
    for (const std::string& pattern : std::vector<std::string>{
             "d.MM.yyyy '\xD0\xB3'.", "d.MM.yyyy '?'.", "d 'de' MMMM 'de' yyyy", "yyyy'?'M'?'d'?'",
             "dd''MM''yyyy", "d" + rlm + "/M" + rlm + "/yyyy", "d" + alm + "/M" + alm + "/yyyy",
             lrm + "d/M/yyyy" + lrm}) {
        Regional r;
        r.shortDateFormat = pattern;
        r.monthNames[2] = "marzo";
        const std::string shown = format_date(day, r);
        EXPECT_EQ(parse_date(shown, r), day) << pattern << " -> " << shown;
    }
    Regional arabic;
    arabic.shortDateFormat = "d" + rlm + "/M" + rlm + "/yyyy";
    EXPECT_EQ(format_date(day, arabic), "15/3/2003");
    EXPECT_EQ(parse_date("15" + rlm + "/3" + rlm + "/2003", arabic), day);  // pasted with marks
    Regional spanish;
    spanish.shortDateFormat = "d 'de' MMMM 'de' yyyy";
    spanish.monthNames[11] = "diciembre";
    EXPECT_EQ(format_date(ole_from_ymd(2003, 12, 1), spanish), "1 de diciembre de 2003");
    EXPECT_EQ(parse_date("1 de diciembre de 2003", spanish), ole_from_ymd(2003, 12, 1));
}

TEST(Numbers, TypedWithTheRegionalSeparator) {
    EXPECT_EQ(parse_number(" 12.5 ", british()), 12.5);
    EXPECT_EQ(parse_number("12,5", german()), 12.5);
    EXPECT_FALSE(parse_number("12.5", german()));
    EXPECT_FALSE(parse_number("12,5", british()));
    EXPECT_FALSE(parse_number("", british()));
    EXPECT_FALSE(parse_number("1x", british()));
    EXPECT_FALSE(parse_number("-", british()));
    EXPECT_EQ(parse_number("-0.5", british()), -0.5);
    EXPECT_EQ(parse_number("-1E2", british()), -100);
    EXPECT_EQ(parse_long("-2.5", british()), -2);  // halves to even
    EXPECT_FALSE(parse_long("3000000000", british()));
    EXPECT_EQ(parse_integer("32767", british()), 32767);
    EXPECT_FALSE(parse_integer("32768", british()));
    EXPECT_FALSE(parse_single("1e39", british()));
}

TEST(Numbers, RoundedToThreeDecimalsHalvesToEven) {
    Regional r = british();
    EXPECT_EQ(round3_text("12.3456", r), "12.346");
    EXPECT_EQ(round3_text("5.25", r), "5.25");
    EXPECT_EQ(round3_text("0.0125", r), "0.012");
    EXPECT_EQ(round3_text("0.0135", r), "0.014");
    EXPECT_EQ(round3_text("-2.0005", r), "-2.001");  // -2000.5000000000002 once scaled
    EXPECT_EQ(round3_text("0.0004", r), "0");
    EXPECT_EQ(round3_text("9.9995", r), "10");
    EXPECT_EQ(round3_text("1.234568E+07", r), "12345680");
    EXPECT_EQ(round3_text("1E-05", r), "0");
    EXPECT_EQ(round3_text("", r), "0");
    EXPECT_EQ(round3_text("17,5965", german()), "17,596");
    EXPECT_EQ(round3_double(3652.44, r), "3652.44");
    // A double just above the half, whose 15-digit text is the half itself.
    EXPECT_EQ(round3_double(2.5 * 950.02 / 100, r), "23.751");  // 23.750500000000002
    EXPECT_EQ(round3_double(15 * 3.23 / 100, r), "0.485");      // 0.48450000000000004
    // Rounded on the value read as a double and scaled by 1000: 4.0295 is
    // 4029.4999... there, while 0.1305 scales to 130.5 exactly and goes to even.
    EXPECT_EQ(round3_text("4.0295", r), "4.029");
    EXPECT_EQ(round3_text("0.1305", r), "0.13");
    EXPECT_EQ(round3_text("-35.9535", r), "-35.954");
    EXPECT_EQ(round3_text("not a number", r), "0");
}

// The system's settings, whoever read them (Qt or the platform layer), made
// into the engine's by one set of rules.
TEST(SystemSettings, PicturesBecomeDatesThatReadBack) {
    SystemRegional system;
    system.shortDate = "\u200Fd.MM.yy '\u0433'.";  // Bulgarian, with a direction mark
    system.decimalPoint = ",";
    system.monthNames[2] = "M\u00E4rz";
    Regional r = regional_from_system(system);
    EXPECT_EQ(r.shortDateFormat, "d.MM.yyyy");
    EXPECT_EQ(r.decimalSeparator, ',');
    EXPECT_EQ(r.monthNames[2], "M\xE4rz");
    EXPECT_EQ(format_date(ole_from_ymd(2003, 3, 5), r), "5.03.2003");

    system.shortDate = "dd 'de' MMMM 'de' yyyy";  // quoted text the code page holds stays
    system.decimalPoint = "\u066B";               // an Arabic decimal separator: not ASCII
    r = regional_from_system(system);
    EXPECT_EQ(r.shortDateFormat, "dd 'de' MMMM 'de' yyyy");
    EXPECT_EQ(r.decimalSeparator, '.');
    EXPECT_EQ(parse_date(format_date(ole_from_ymd(2003, 3, 5), r), r), ole_from_ymd(2003, 3, 5));
}

// nl_langinfo(D_FMT) of a few C library locales, in the pictures' letters.
TEST(SystemSettings, StrftimeFormatsBecomePictures) {
    EXPECT_EQ(picture_from_strftime("%d/%m/%y"), "dd/MM/yy");    // en_GB
    EXPECT_EQ(picture_from_strftime("%d.%m.%Y"), "dd.MM.yyyy");  // de_DE
    EXPECT_EQ(picture_from_strftime("%m/%d/%y"), "MM/dd/yy");    // C, en_US
    EXPECT_EQ(picture_from_strftime("%Y-%m-%d"), "yyyy-MM-dd");  // sv_SE
    EXPECT_EQ(picture_from_strftime("%D"), "MM/dd/yy");
    EXPECT_EQ(picture_from_strftime("%Ey. %e %b"), "yy. d MMM");  // modifiers, a blank-padded day
    EXPECT_EQ(picture_from_strftime("%a %d de %B"), " dd 'de' MMMM");  // a weekday is dropped
    EXPECT_EQ(picture_from_strftime("%Y'%m 100%%"), "yyyy''MM 100%");
}

}  // namespace
}  // namespace qdx
