// The CSV reader and writer: what spreadsheets write comes back field for
// field, on the line it starts on, in Windows-1252.
#include "core/csv.h"

#include <gtest/gtest.h>

namespace qdx {
namespace {

std::vector<csv::Record> read_all(std::string_view bytes, char delimiter = ',') {
    std::vector<csv::Record> out;
    csv::read(bytes, delimiter, [&](csv::Record&& r) {
        out.push_back(std::move(r));
        return true;
    });
    return out;
}

using Fields = std::vector<std::string>;

TEST(CsvReading, QuotedFieldsKeepDelimitersQuotesAndLineBreaks) {
    const auto records = read_all(
        "\xEF\xBB\xBF"
        "a,b,c\r\n"
        "\"x, y\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\n"
        "\r\n"
        ",last,\n"
        "no end");
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].fields, (Fields{"a", "b", "c"}));  // the byte-order mark is not a field's
    EXPECT_EQ(records[1].fields, (Fields{"x, y", "say \"hi\"", "two\r\nlines"}));
    EXPECT_EQ(records[1].line, 2);
    // The blank line is skipped; the record after a line break inside quotes
    // starts two lines further on.
    EXPECT_EQ(records[2].line, 5);
    EXPECT_EQ(records[2].fields, (Fields{"", "last", ""}));
    EXPECT_EQ(records[3].fields, (Fields{"no end"}));
}

TEST(CsvReading, Utf8BecomesWindows1252AndOtherBytesAreTakenAsWindows1252) {
    EXPECT_EQ(read_all("Ren\xC3\xA9;\xE2\x82\xAC"
                       "5\n",
                       ';')[0]
                  .fields,
              (Fields{"Ren\xE9",
                      "\x80"
                      "5"}));
    // \xE9 alone is no UTF-8: the file is Windows-1252 and kept as it is.
    EXPECT_EQ(read_all("Ren\xE9,\x80\n")[0].fields, (Fields{"Ren\xE9", "\x80"}));
    // A question mark of the file is not taken for a lost character.
    EXPECT_EQ(read_all("\xC3\xA9?\n")[0].fields, (Fields{"\xE9?"}));
}

// The refusal's line and message for `bytes`; empty when they read.
std::pair<int64_t, std::string> refusal(std::string_view bytes) {
    try {
        read_all(bytes);
    } catch (const csv::Error& e) {
        return {e.line, e.what()};
    }
    return {0, ""};
}

TEST(CsvReading, CharactersTheCodePageLacksBecomeTheirNearestLettersAndAreListed) {
    const auto records = read_all("Wi\xC5\x9Bniewski,Ren\xC3\xA9,\xD0\x96\xE2\x9C\x93\n");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].fields, (Fields{"Wisniewski", "Ren\xE9", "Zh?"}));
    ASSERT_EQ(records[0].unkept.size(), 2u);
    EXPECT_EQ(records[0].unkept[0].field, 0u);
    EXPECT_EQ(records[0].unkept[0].utf8, "Wi\xC5\x9Bniewski");
    EXPECT_EQ(records[0].unkept[0].fitted.replaced, U"\u015B");
    EXPECT_EQ(records[0].unkept[1].field, 2u);
    EXPECT_EQ(records[0].unkept[1].fitted.unknown, U"\u2713");
}

TEST(CsvReading, DamagedUtf8IsNamedByLineAndByteOffset) {
    // Marked as UTF-8, or UTF-8 elsewhere in the file: a stray byte is damage,
    // not a sign of Windows-1252.
    EXPECT_EQ(refusal("\xEF\xBB\xBFname\nRen\xE9\n"),
              (std::pair<int64_t, std::string>{
                  2,
                  "a byte that is not UTF-8, 0xE9, at byte offset 11 (the file is marked as "
                  "UTF-8)"}));
    EXPECT_EQ(refusal("name\nRen\xC3\xA9\nZo\xEB\n").first, 3);
    EXPECT_NE(refusal("name\nZo\xEB\nRen\xC3\xA9\n").second.find("byte offset 7"),
              std::string::npos);
}

TEST(CsvReading, Utf16WithItsMarkIsReadAndWithoutItNamed) {
    const auto utf16 = [](std::u16string_view text, bool big) {
        std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t c : text) {
            const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
            bytes += big ? hi : lo;
            bytes += big ? lo : hi;
        }
        return bytes;
    };
    for (bool big : {false, true}) {
        const auto records =
            read_all(utf16(u"Name;City\r\nRen\u00E9;\u0141\u00F3d\u017A\r\n", big), 0);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[1].fields, (Fields{"Ren\xE9",
                                             "L\xF3"
                                             "dz"}));
        EXPECT_EQ(records[1].line, 2);
    }
    // A character outside the first plane comes as two units.
    EXPECT_EQ(read_all(utf16(u"a\U0001F600", false))[0].unkept.size(), 1u);
    EXPECT_EQ(refusal(utf16(u"a\nb\xD800", false)),
              (std::pair<int64_t, std::string>{
                  2,
                  "the UTF-16 file holds half of a character (a lone surrogate) at byte offset "
                  "8"}));
    std::string bare = utf16(u"affiliate_id,date,sum\n1,2003-03-05,4\n", false).substr(2);
    EXPECT_EQ(refusal(bare).second.substr(0, 44), "the file is UTF-16 without a byte-order mark");
    EXPECT_EQ(refusal(std::string("\xFF\xFE"
                                  "a",
                                  3))
                  .second.substr(0, 36),
              "the UTF-16 file holds an odd last by");
}

TEST(CsvReading, TheDelimiterIsFoundFromTheHeaderLine) {
    EXPECT_EQ(csv::find_delimiter("a;b;c\n1,5;2;3\n"), ';');
    EXPECT_EQ(csv::find_delimiter("\r\na\tb,c\td\n"), '\t');
    EXPECT_EQ(csv::find_delimiter("\"a;b\";\"c;d\",e,f\n"), ',');  // quoted ones do not count
    EXPECT_EQ(csv::find_delimiter("name\n1;2;3\n"), ',');
    std::vector<csv::Record> records;
    EXPECT_EQ(csv::read("x;y\n1,5;2\n", 0,
                        [&](csv::Record&& r) {
                            records.push_back(std::move(r));
                            return true;
                        }),
              ';');
    EXPECT_EQ(records[1].fields, (Fields{"1,5", "2"}));
    EXPECT_STREQ(csv::delimiter_name('\t'), "tab");
}

TEST(CsvReading, AVisitorCanStopTheReading) {
    int seen = 0;
    csv::read("1\n2\n\"unclosed\n", ',', [&](csv::Record&&) { return ++seen < 2; });
    EXPECT_EQ(seen, 2);
}

TEST(CsvWriting, LinesReadBackAsTheirFields) {
    const Fields fields{"plain", "a,b", "q\"uote", "line\r\nbreak", "", "Ren\xE9"};
    const std::string line = csv::line(fields);
    EXPECT_EQ(line, "plain,\"a,b\",\"q\"\"uote\",\"line\r\nbreak\",,Ren\xC3\xA9\r\n");
    EXPECT_EQ(read_all(line)[0].fields, fields);
    EXPECT_EQ(csv::line({"a;b", "c,d"}, ';'), "\"a;b\";c,d\r\n");
}

}  // namespace
}  // namespace qdx
