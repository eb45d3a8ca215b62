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
