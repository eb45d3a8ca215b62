// The history: one line per change, written before the change, a cut line
// ended by the next write, and a log that cannot be written stops the save.
#include "core/history.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/record_file.h"
#include "registers/affiliate_editing.h"
#include "registers/import/csv_import.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

TEST(History, NotesCreateAndSaveWithTheFieldsThatChanged) {
    test::TempFolder folder;
    const AppState state(folder.path());
    fs::create_directories(state.dataDir());
    RecordFile file(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    AffiliateRecord r = test::affiliate(1, 0, 1, 37257, "Ann");
    write_affiliate(file, folder.path(), 1, r, "");
    r.name = "Bob";
    r.date = 37258;
    write_affiliate(file, folder.path(), 1, r, "");
    write_affiliate(file, folder.path(), 1, r, "");
    const auto lines = parse_history(test::read_file(history_file(folder.path())));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].registerName, "affiliates");
    EXPECT_EQ(lines[0].record, 1);
    EXPECT_EQ(lines[0].what.rfind("created: Name: Ann; ", 0), 0u) << lines[0].what;
    EXPECT_NE(lines[0].what.find("Date: 2002-01-01"), std::string::npos);
    EXPECT_EQ(lines[1].what, "saved: Name: Ann → Bob; Date: 2002-01-01 → 2002-01-02");
    EXPECT_EQ(lines[2].what, "saved: no field changed");
    // The time carries its UTC offset, +hh:mm.
    ASSERT_EQ(lines[0].time.size(), 25u) << lines[0].time;
    EXPECT_EQ(lines[0].time[22], ':');
    EXPECT_FALSE(lines[0].user.empty());
    EXPECT_FALSE(lines[0].program.empty());
}

TEST(History, ALineCutByAKillIsEndedByTheNextWrite) {
    test::TempFolder folder;
    fs::create_directories(folder.path() / "data");
    std::ofstream(history_file(folder.path()), std::ios::binary)
        << "2026-01-01T10:00:00+00:00\tann\tQdx\taffiliates\t3\tsaved: Na";
    auto cut = parse_history(test::read_file(history_file(folder.path())));
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_TRUE(cut[0].cut);
    write_history(folder.path(), "sales", 4, "saved: Sum: 1 → 2");
    const auto lines = parse_history(test::read_file(history_file(folder.path())));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].what, "saved: Na");
    EXPECT_EQ(lines[1].registerName, "sales");
    EXPECT_EQ(lines[1].record, 4);
    EXPECT_EQ(lines[1].what, "saved: Sum: 1 → 2");
    EXPECT_FALSE(lines[1].cut);
    // Tabs and line breaks in what is told cannot make lines of their own.
    write_history(folder.path(), "x", 0, "a\tb\nc");
    EXPECT_EQ(parse_history(test::read_file(history_file(folder.path()))).back().what, "a b c");
    // A line that is not of the log's form is kept whole.
    EXPECT_EQ(parse_history("garbage\n")[0].what, "garbage");
    EXPECT_TRUE(parse_history("garbage\n")[0].time.empty());
}

TEST(History, ALogThatCannotBeWrittenStopsTheSave) {
    test::TempFolder folder;
    const AppState state(folder.path());
    fs::create_directories(history_file(folder.path()));  // a folder where the log should be
    RecordFile file(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    const std::string error = test::error_of<HistoryError>(
        [&] { write_affiliate(file, folder.path(), 1, test::affiliate(1, 0, 1, 37257), ""); });
    EXPECT_NE(error.find("history"), std::string::npos);
    EXPECT_NE(error.find("nothing was changed"), std::string::npos);
    EXPECT_EQ(file.count(), 0);
}

TEST(History, NotesAnImport) {
    test::TempFolder folder;
    test::copy_example("world-9031", folder.path());
    const AppState state(folder.path());
    const fs::path csv = folder.path() / "sales.csv";
    std::ofstream(csv) << "affiliate_id,date,sum\n3,2024-03-05,10\n4,2024-03-06,20\n";
    const ImportPlan plan = plan_import(state, ImportKind::Sales, csv, {});
    ASSERT_TRUE(plan.importable());
    run_import(state, plan);
    const auto lines = parse_history(test::read_file(history_file(folder.path())));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].registerName, "sales");
    EXPECT_EQ(lines[0].record, 80);
    EXPECT_EQ(lines[0].what, "import of " + csv.string() + ": records 80 to 81");
}

TEST(History, AnImportIsRefusedWhenTheLogCannotTakeItsLine) {
    test::TempFolder folder;
    test::copy_example("world-9031", folder.path());
    const AppState state(folder.path());
    const std::string sales = test::read_file(state.dataFile(file::kSales));
    fs::create_directories(history_file(folder.path()));  // a folder where the log should be
    const fs::path csv = folder.path() / "sales.csv";
    std::ofstream(csv) << "affiliate_id,date,sum\n3,2024-03-05,10\n";
    const ImportPlan plan = plan_import(state, ImportKind::Sales, csv, {});
    ASSERT_TRUE(plan.importable());
    EXPECT_THROW(run_import(state, plan), HistoryError);
    EXPECT_EQ(test::read_file(state.dataFile(file::kSales)), sales);
}

}  // namespace
}  // namespace qdx
