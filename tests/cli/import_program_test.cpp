// qdx-import run as a program: exit codes, the reasons on standard error,
// and a scheduled run's file imported once.
#include <gtest/gtest.h>

#include "cli/program_run.h"
#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "support/not_on_windows.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

using test::Outcome;
using test::quoted;

// Runs `qdx-import --app <folder>/app <args>` in `folder`.
Outcome import(const fs::path& folder, const std::string& args) {
    test::Invocation how;
    how.program = QDX_IMPORT_PROGRAM;
    return test::run_program(folder, "--app app " + args, how);
}

class ImportProgramTest : public ::testing::Test {
  protected:
    ImportProgramTest() : state(folder.path() / "app") {
        const double day = ole_from_ymd(2003, 3, 1);
        test::write_affiliates(state,
                               {test::affiliate(1, 0, 1, day), test::affiliate(2, 1, 2, day)});
    }
    void SetUp() override {
        if (auto why = test::locale_unavailable(test::Invocation().locale)) GTEST_SKIP() << *why;
    }
    void csv(const std::string& name, const std::string& bytes) {
        write_file_atomically(folder.path() / name, bytes);
    }
    int64_t sales() const {
        return RecordFile(state.dataFile(file::kSales), MoneyRecord::kSize).count();
    }
    test::TempFolder folder;
    AppState state;
};

TEST_F(ImportProgramTest, RefusalsListTheFirstHundredReasonsByLineAndColumn) {
    std::string bytes = "affiliate_id\tdate\tsum\n";
    for (int i = 0; i < 150; ++i) bytes += "3\t05/03/2003\t1\n";
    csv("bad.tsv", bytes);
    const Outcome o = import(folder.path(), "--delimiter tab --date-format regional sales bad.tsv");
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.err.substr(0, o.err.find('\n') + 1),
              "line 2, column affiliate_id: Sorry, there is no Affiliate with that ID: \"3\": "
              "the register holds 2 affiliates\n");
    EXPECT_NE(o.err.find("line 101, column affiliate_id"), std::string::npos);
    EXPECT_EQ(o.err.find("line 102,"), std::string::npos);
    EXPECT_NE(o.err.find("\nand 50 more\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(state.dataFile(file::kSales)));
}

TEST_F(ImportProgramTest, AFileIsImportedOnceAndAgainOnlyWhenForced) {
    QDX_SKIP_WITHOUT_BACKUPS();
    csv("in.csv", "Affiliate_ID;Date;Sum\n1;05/03/2003;4.5\n2;06/03/2003;1\n");
    const std::string args = "--delimiter " + quoted(";") + " --date-format regional sales in.csv";
    const Outcome dry = import(folder.path(), "--dry-run " + args);
    EXPECT_EQ(dry.exitCode, 0);
    EXPECT_EQ(dry.out, "2 rows can be imported, total sum 5.5; nothing was written (dry run).\n");
    EXPECT_FALSE(fs::exists(state.dataFile(file::kSales)));

    const Outcome first = import(folder.path(), args);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "Imported 2 records, 1 to 2, total sum 5.5.\n");
    const Outcome second = import(folder.path(), args);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find(": 2 records"), std::string::npos);
    EXPECT_EQ(sales(), 2);
    EXPECT_EQ(import(folder.path(), "--force " + args).exitCode, 0);
    EXPECT_EQ(sales(), 4);
}

// Every import is preceded by a backup of the data as it was; without one
// (backups/ cannot be made) nothing is imported.
TEST_F(ImportProgramTest, AnImportBacksTheDataUpFirstOrImportsNothing) {
    QDX_SKIP_WITHOUT_BACKUPS();
    csv("in.csv", "affiliate_id,date,sum\n1,2003-03-05,4\n");
    const Outcome done = import(folder.path(), "sales in.csv");
    ASSERT_EQ(done.exitCode, 0) << done.err;
    std::vector<fs::path> backups;
    for (const auto& e : fs::directory_iterator(state.appDir / "backups"))
        backups.push_back(e.path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_NE(backups[0].filename().string().find("-import.zip"), std::string::npos);
    EXPECT_EQ(sales(), 1);

    csv("more.csv", "affiliate_id,date,sum\n2,2003-03-06,5\n");
    fs::remove_all(state.appDir / "backups");
    write_file_atomically(state.appDir / "backups", "a file where the folder goes");
    const Outcome refused = import(folder.path(), "--delimiter , sales more.csv");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.rfind("The backup before the import could not be made, so nothing was "
                                "imported: ",
                                0),
              0u)
        << refused.err;
    EXPECT_EQ(sales(), 1);
}

// An import is listed by number and taken back by it, once.
TEST_F(ImportProgramTest, AnImportIsListedAndReversedOnce) {
    QDX_SKIP_WITHOUT_BACKUPS();
    csv("in.csv", "affiliate_id,date,sum\n1,2003-03-05,4\n2,2003-03-06,6\n");
    ASSERT_EQ(import(folder.path(), "sales in.csv").exitCode, 0);
    const Outcome listed = import(folder.path(), "--imports");
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.out.substr(0, 30), "Import 1 (sales, records 1 to ");
    for (const char* args : {"--reverse 1 sales in.csv", "--imports --reverse 1"})
        EXPECT_EQ(import(folder.path(), args).exitCode, 2) << args;

    const Outcome dry = import(folder.path(), "--reverse 1 --date 2003-03-20 --dry-run");
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_NE(dry.out.find("writes 2 refunds dated 2003-03-20, total sum 10"), std::string::npos)
        << dry.out;
    EXPECT_FALSE(fs::exists(state.dataFile("refunds.qdx")));

    const Outcome done = import(folder.path(), "--reverse 1 --date 2003-03-20");
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_NE(done.out.find(", records 1 to 2 of refunds.qdx."), std::string::npos) << done.out;
    EXPECT_EQ(RecordFile(state.dataFile("refunds.qdx"), 16).count(), 2);
    const Outcome again = import(folder.path(), "--reverse 1");
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("was reversed already"), std::string::npos) << again.err;
}

}  // namespace
}  // namespace qdx
