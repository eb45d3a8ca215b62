// One report table read from two threads at once, as the report window's
// save worker and its grid's painting read it: every cell must read as it
// does on one thread. Built on its own so that the sanitizer build runs it
// quickly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/ole_date.h"
#include "reports/report_building.h"
#include "reports/report_export.h"
#include "reports/report_table.h"
#include "reports/report_totals.h"
#include "support/test_support.h"

namespace qdx {
namespace {

class TableThreadsTest : public ::testing::Test {
  protected:
    // Well over a block of rows, so that every walk moves the detail window.
    explicit TableThreadsTest(int32_t affiliates = 20'000) : state(folder.path()) {
        std::vector<AffiliateRecord> records;
        for (int32_t id = 1; id <= affiliates; ++id) {
            AffiliateRecord a = test::affiliate(id, 0, 1 + id % 9, ole_from_ymd(2003, 3, 1),
                                                "Name" + std::to_string(id));
            a.city = "City" + std::to_string(id * 7);
            records.push_back(a);
        }
        test::write_affiliates(state, records);
        // A full report's rows: mostly in record order, a stretch of them
        // backwards and scattered, then the Total row.
        table.caption = "Accounts_Report";
        table.setHeader(" Affiliate's ID     | Income       ");
        for (int32_t i = 1; i <= affiliates; ++i) {
            const int32_t id = i > 8'000 && i <= 12'000 ? 20'001 - i : (i * 7919) % affiliates + 1;
            const size_t r = table.appendRow();
            put_long(table, r, 0, id);
            put_single(table, r, 1, static_cast<float>(i) / 8, Regional());
        }
        append_total_row(table, {1}, Regional());
        fill_affiliate_details(table, 2, true, state);
    }

    // Every cell, row by row, forwards or backwards, through `read`.
    template <class Read>
    std::vector<std::string> walk(bool backwards, Read read) const {
        std::vector<std::string> cells;
        const size_t rows = table.rowCount(), columns = table.columnCount();
        cells.reserve(rows * columns);
        for (size_t i = 0; i < rows; ++i) {
            const size_t r = backwards ? rows - 1 - i : i;
            for (size_t c = 0; c < columns; ++c) cells.push_back(read(r, c));
        }
        return cells;
    }
    std::vector<std::string> alone(bool backwards) const {
        return walk(backwards, [&](size_t r, size_t c) { return table.text(r, c); });
    }

    test::TempFolder folder;
    AppState state;
    ReportTable table;
};

TEST_F(TableThreadsTest, TwoThreadsReadingTheTableEachReadWhatOneThreadReads) {
    const std::vector<std::string> forwards = alone(false), backwards = alone(true);
    ASSERT_EQ(forwards[2 * table.columnCount() + 2], "Name15839           ");  // row 2's name
    for (int round = 0; round < 3; ++round) {
        std::vector<std::string> seenForwards, seenBackwards;
        std::thread a([&] { seenForwards = alone(false); });
        std::thread b([&] { seenBackwards = alone(true); });
        a.join();
        b.join();
        EXPECT_EQ(seenForwards, forwards);
        EXPECT_EQ(seenBackwards, backwards);
    }
}

TEST_F(TableThreadsTest, ASaveThroughItsReaderBesideTheGridsReadsWritesTheSameText) {
    const std::string expected = export_text(table, ';', state);
    const std::vector<std::string> backwards = alone(true);
    for (int round = 0; round < 3; ++round) {
        std::string saved;
        std::vector<std::string> painted;
        std::thread save([&] { saved = export_text(table, ';', state); });
        std::thread grid([&] { painted = alone(true); });
        save.join();
        grid.join();
        EXPECT_EQ(saved, expected);
        EXPECT_EQ(painted, backwards);
    }
    // Two readers of their own, at once, neither waiting for the other.
    std::vector<std::string> first, second;
    std::thread a([&] {
        ReportTable::Reader reader(table);
        first = walk(false, [&](size_t r, size_t c) { return reader.text(r, c); });
    });
    std::thread b([&] {
        ReportTable::Reader reader(table);
        second = walk(false, [&](size_t r, size_t c) { return reader.text(r, c); });
    });
    a.join();
    b.join();
    EXPECT_EQ(first, alone(false));
    EXPECT_EQ(second, first);
}

// Enough rows for the exports to be rendered on every core.
class LongTableTest : public TableThreadsTest {
  protected:
    LongTableTest() : TableThreadsTest(40'000) {}
};

// A long export, rendered a stretch of rows a core, holds every cell as the
// table reads it, row after row.
TEST_F(LongTableTest, ALongExportRenderedOnEveryCoreHoldsTheCellsInRowOrder) {
    std::string expected = title_line(table, state) + "\r\n\r\n";
    const std::vector<std::string> cells = alone(false);
    for (size_t i = 0; i < cells.size(); ++i) {
        expected += cells[i];
        expected += (i + 1) % table.columnCount() == 0 ? "\r\n" : ";";
    }
    EXPECT_TRUE(export_text(table, ';', state) == expected);
    const std::string html = export_html(table, state);
    EXPECT_NE(html.find("<td>Name15839           </td>"), std::string::npos);
    EXPECT_EQ(html.rfind("<td> Total</td>"), html.find("<td> Total</td>"));
}

// Long exports read the details a round of rows at a time, in one pass over
// the file: each cell of a round reads as the table's own, whatever the
// record numbers (scattered, repeated, off file, none) and the field's bytes
// (trailing blanks kept, other padding kept as it is), and rounds that start
// anywhere hold only their own rows.
TEST(DetailRounds, ReadAsTheTableReadsEachCell) {
    test::TempFolder folder;
    const AppState state(folder.path());
    constexpr int32_t kAffiliates = 30'000;
    std::vector<AffiliateRecord> records;
    for (int32_t id = 1; id <= kAffiliates; ++id) {
        AffiliateRecord a = test::affiliate(id, 0, id % 13, ole_from_ymd(2003, 3, 1),
                                            id % 5 == 0 ? "" : "N" + std::to_string(id) + "  x");
        a.city = id % 7 == 0 ? std::string(20, 'C') : "City " + std::to_string(id);
        records.push_back(a);
    }
    test::write_affiliates(state, records);
    {
        // Record 9's name padded with zero bytes, not blanks.
        std::fstream file(state.dataFile(file::kAffiliates),
                          std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(8 * AffiliateRecord::kSize + 10);
        file.write(std::string(10, '\0').data(), 10);
    }
    ReportTable table;
    table.setHeader("Name|Level|City|Other");
    table.setAffiliatesFile(state.dataFile(file::kAffiliates));
    table.setDetailColumn(0, Field::Name);
    table.setDetailColumn(1, Field::Level);
    table.setDetailColumn(2, Field::City, 1);
    constexpr size_t kRows = 70'000;
    table.appendRows(kRows);
    std::vector<int32_t>& names = table.recordNumbers(0);
    std::vector<int32_t>& cities = table.recordNumbers(1);
    names.assign(kRows + 1, ReportTable::kNoRecord);
    cities.assign(kRows - 100, ReportTable::kNoRecord);  // shorter than the table
    std::mt19937 rng(11);
    for (size_t r = 1; r <= kRows; ++r) {
        const auto pick = [&]() -> int32_t {
            switch (rng() % 10) {
                case 0:
                    return ReportTable::kNoRecord;
                case 1:
                    return static_cast<int32_t>(rng() % 11) - 5;  // before the file
                case 2:
                    return kAffiliates + 1 + static_cast<int32_t>(rng() % 5);
                case 3:
                    return 9;
                default:
                    return 1 + static_cast<int32_t>(rng() % kAffiliates);
            }
        };
        names[r] = pick();
        if (r < cities.size()) cities[r] = pick();
        if (r % 1000 == 0) table.put(r, 3, "t" + std::to_string(r), std::nan(""));
    }
    table.setText(500, 0, "kept");  // a text in a detail column

    const auto row9 = static_cast<size_t>(std::find(names.begin(), names.end(), 9) - names.begin());
    ASSERT_EQ(table.text(row9, 0), "N9  x     " + std::string(10, '\0'));
    for (const auto& [first, count] : {std::pair<size_t, size_t>{1, 70'000}, {37'123, 4'000}}) {
        const auto round = table.readDetails(first, count);
        ASSERT_TRUE(round);
        ReportTable::Reader reader(table);
        reader.useRound(round.get());
        for (size_t r = first > 100 ? first - 100 : 1; r <= std::min(kRows, first + count + 100);
             ++r)
            // In column order, as the exports read, and back again.
            for (size_t c : {0, 1, 2, 3, 1, 0, 1})
                ASSERT_EQ(reader.text(r, c), table.text(r, c)) << r << " " << c;
    }
    // The export goes through the rounds and reads as the cells do.
    std::string expected = title_line(table, state) + "\r\n\r\n";
    for (size_t r = 0; r <= kRows; ++r)
        for (size_t c = 0; c < 4; ++c) {
            expected += table.text(r, c);
            expected += c == 3 ? "\r\n" : ";";
        }
    EXPECT_TRUE(export_text(table, ';', state) == expected);
}

// The Total row of three columns added up on every core reads as the one of
// a table that must be added up a column at a time (a cell kept as text).
// Every other income is below 1,000, where rounding to 3 decimals changes
// the cell's text: a row the cores leave out shows.
TEST(TotalRowThreads, AddedUpOnEveryCoreAsAColumnAtATime) {
    std::mt19937 rng(5);
    ReportTable onCores, oneByOne;
    for (ReportTable* t : {&onCores, &oneByOne})
        t->setHeader(" Affiliate's ID     | Income       | Payments         |  Balance        ");
    const Regional comma = [] {
        Regional r;
        r.decimalSeparator = ',';
        return r;
    }();
    for (int32_t i = 1; i <= 50'000; ++i) {
        const float income =
            static_cast<float>(rng() % 10'000'000) / (i % 2 == 0 ? 70'000.0f : 7.0f);
        const float paid = i % 1000 == 0 ? std::numeric_limits<float>::infinity()
                                         : static_cast<float>(rng() % 100'000) / 3.0f;
        for (ReportTable* t : {&onCores, &oneByOne}) {
            const size_t r = t->appendRow();
            put_long(*t, r, 0, i);
            put_single(*t, r, 1, income, comma);
            put_single(*t, r, 2, paid, comma);
            put_single(*t, r, 3, income - paid, comma);
        }
    }
    oneByOne.setText(1, 0, "1");
    append_total_row(onCores, {1, 2, 3}, comma);
    append_total_row(oneByOne, {1, 2, 3}, comma);
    ASSERT_EQ(onCores.rowCount(), oneByOne.rowCount());
    for (size_t r = 1; r < onCores.rowCount(); ++r)
        for (size_t c = 1; c < 4; ++c)
            ASSERT_EQ(onCores.text(r, c), oneByOne.text(r, c)) << r << " " << c;
    EXPECT_EQ(onCores.text(onCores.rowCount() - 1, 0), " Total");
}

}  // namespace
}  // namespace qdx
