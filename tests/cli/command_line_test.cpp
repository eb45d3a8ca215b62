// What each batch program prints and returns for the command lines people get
// wrong (and one they get right): no arguments, --help, unknown options, a
// missing or unwanted value, a bad date, a bad number. The usage texts are kept
// in tests/data/usage, byte for byte, so a change of the parser shows here.
#include <gtest/gtest.h>

#include "cli/program_run.h"
#include "core/files.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

using test::Outcome;
using test::quoted;

std::string usage_of(const std::string& program) {
    return test::read_file(fs::path(QDX_SOURCE_DIR) / "tests" / "data" / "usage" /
                           (program + ".txt"));
}

struct Case {
    std::string args;
    int exitCode;
    std::string out, err;
};

// Runs each case in `folder`; "APP" in the arguments stands for `app`, and an
// error that ends in "+usage" is followed by the program's usage text.
void expect_cases(const char* path, const std::string& name, const fs::path& folder,
                  const fs::path& app, const std::vector<Case>& cases) {
    const std::string usage = usage_of(name);
    ASSERT_FALSE(usage.empty());
    test::Invocation how;
    how.program = path;
    for (const Case& c : cases) {
        std::string args = c.args;
        for (size_t at; (at = args.find("APP")) != std::string::npos;)
            args.replace(at, 3, quoted(app.string()));
        SCOPED_TRACE(name + " " + args);
        const Outcome o = test::run_program(folder, args, how);
        auto expand = [&](std::string text) {
            if (text == "usage") return usage;
            if (text.ends_with("+usage"))
                return name + ": " + text.substr(0, text.size() - 6) + "\n" + usage;
            return text;
        };
        EXPECT_EQ(o.exitCode, c.exitCode);
        std::string out = o.out;
#ifdef _WIN32
        // Windows' text streams end the lines of a usage or a message in CR LF.
        if (c.out.find('\r') == std::string::npos) std::erase(out, '\r');
#endif
        EXPECT_EQ(out, expand(c.out));
        EXPECT_EQ(o.err, expand(c.err));
    }
}

TEST(ReportCommandLine, AnswersEachMistakeAsBefore) {
    if (auto why = test::locale_unavailable(test::Invocation().locale)) GTEST_SKIP() << *why;
    test::TempFolder folder;
    const fs::path app = folder.path() / "app";
    fs::create_directories(app);
    const std::string empty =
        "Accounts_Report from 01/03/2003 to 31/03/2003\r\n\r\n"
        " Affiliate's ID     ; Income       ; Payments         ;  Balance"
        "        \r\n Total;0;0;0\r\n";
    expect_cases(
        QDX_REPORT_PROGRAM, "qdx-report", folder.path(), app,
        {
            {"", 2, "", "no REPORT given+usage"},
            {"--help", 0, "usage", ""},
            {"-h", 0, "usage", ""},
            {"--version --help", 0, "usage", ""},
            {"--version", 0, "qdx-report " QDX_VERSION "\n", ""},
            {"--frobnicate accounts", 2, "", "Unknown option 'frobnicate'.+usage"},
            {"--help --frobnicate", 2, "", "Unknown option 'frobnicate'.+usage"},
            {"--frobnicate --zzz accounts", 2, "", "Unknown options: frobnicate, zzz.+usage"},
            {"-x accounts", 2, "", "Unknown option 'x'.+usage"},
            {"-hx", 2, "", "Unknown option 'x'.+usage"},
            {"-app APP accounts", 2, "", "Unknown options: a, p, p.+usage"},
            {"--app APP -3", 2, "", "Unknown option '3'.+usage"},
            {"--from", 2, "", "Missing value after '--from'.+usage"},
            {"--frobnicate --app", 2, "", "Missing value after '--app'.+usage"},
            {"--full=yes accounts", 2, "", "Unexpected value after '--full'.+usage"},
            {"--app APP --separator tab accounts", 2, "", "unknown separator: tab+usage"},
            {"--app APP accounts extra", 2, "", "too many arguments for accounts+usage"},
            {"--app APP -- -3", 2, "", "unknown REPORT: -3+usage"},
            {"--app APP --from 32/01/2003 accounts", 1, "",
             "Sorry, you entered an incorrect value\n"},
            {"--app APP --from= accounts", 1, "", "Sorry, you entered an incorrect value\n"},
            {"--app APP --to \"\" accounts", 1, "", "Sorry, you entered an incorrect value\n"},
            {"--app APP --from 2003-03-01 --to 2003-03-31 income-structure x", 1, "",
             "Sorry, you entered an incorrect value\n"},
            {"--app APP network -3", 1, "", "Sorry, there is no Affiliate with that ID\n"},
            {"--app APP network --5", 1, "", "Sorry, you entered an incorrect value\n"},
            {"--app APP --reverse-run x", 1, "",
             "--reverse-run: \"x\" is not a payment run's number\n"},
            {"--app APP --reverse-run 1 --date 32.13.2003", 1, "",
             "--date: \"32.13.2003\" is not a date\n"},
            {"--app APP --from 2003-03-01 --to 2003-03-31 accounts", 0, empty, ""},
            {"--app=APP --from=2003-03-01 --to 2003-03-31 accounts", 0, empty, ""},
            {"--app nowhere --app APP --from 2003-03-01 --to 2003-03-31 accounts", 0, empty, ""},
        });
}

TEST(ImportCommandLine, AnswersEachMistakeAsBefore) {
    test::TempFolder folder;
    const fs::path app = folder.path() / "app";
    fs::create_directories(app);
    expect_cases(
        QDX_IMPORT_PROGRAM, "qdx-import", folder.path(), app,
        {
            {"", 2, "", "a register and a FILE are needed+usage"},
            {"--help", 0, "usage", ""},
            {"--version", 0, "qdx-import " QDX_VERSION "\n", ""},
            {"--frobnicate sales f.csv", 2, "", "Unknown option 'frobnicate'.+usage"},
            {"--delimiter", 2, "", "Missing value after '--delimiter'.+usage"},
            {"--dry-run=yes sales f.csv", 2, "", "Unexpected value after '--dry-run'.+usage"},
            {"sales -3", 2, "", "Unknown option '3'.+usage"},
            {"--delimiter : sales f.csv", 2, "", "unknown delimiter: :+usage"},
            {"--date-format us sales f.csv", 2, "", "unknown date format: us+usage"},
            {"sales", 2, "", "a register and a FILE are needed+usage"},
            {"bills f.csv", 2, "", "unknown register: bills+usage"},
            {"sales a.csv b.csv", 2, "", "too many arguments+usage"},
            {"--reverse x", 2, "",
             "--reverse takes an import's number (1, 2, ... as --imports lists them), "
             "not x+usage"},
            {"--date 2003-01-01 sales f.csv", 2, "",
             "--date is the date of a reversal: give it with --reverse N+usage"},
            {"--app APP --reverse 1 --date 32.13.2003", 2, "",
             "--date 32.13.2003: not a date; give it as yyyy-mm-dd or the regional "
             "short date\n"},
            {"--app APP --imports", 0, "No file was imported.\n", ""},
        });
}

TEST(CheckCommandLine, AnswersEachMistakeAsBefore) {
    test::TempFolder folder;
    const fs::path app = folder.path() / "app";
    fs::create_directories(app);
    const std::string clean =
        "No findings: 0 affiliates, 0 sales, 0 payments, 0 communications checked.\n";
#ifndef _WIN32  // the per-user folder from XDG_DATA_HOME
    // An installed copy with no --app works on the per-user folder, here an empty one.
    fs::create_directories(folder.path() / "bin");
    fs::create_directories(folder.path() / "share" / "qdx");
    const fs::path program = folder.path() / "bin" / "qdx-check";
    std::error_code linked;
    fs::create_hard_link(QDX_CHECK_PROGRAM, program, linked);
    if (linked) fs::copy_file(QDX_CHECK_PROGRAM, program);
    test::Invocation how;
    how.program = program.string();
    how.env = "XDG_DATA_HOME=" + quoted((folder.path() / "home").string());
    const Outcome none = test::run_program(folder.path(), "", how);
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, clean);
    EXPECT_TRUE(fs::exists(folder.path() / "home" / "Qdx"));
#endif

    expect_cases(QDX_CHECK_PROGRAM, "qdx-check", folder.path(), app,
                 {
                     {"--help", 0, "usage", ""},
                     {"-h", 0, "usage", ""},
                     {"--version", 0, "qdx-check " QDX_VERSION "\n", ""},
                     {"--app APP --frobnicate", 2, "", "unknown argument: --frobnicate+usage"},
                     {"--app APP -x", 2, "", "unknown argument: -x+usage"},
                     {"--app APP stray", 2, "", "unknown argument: stray+usage"},
                     {"--app APP --repair=yes", 2, "", "unknown argument: --repair=yes+usage"},
                     {"--app", 2, "", "--app needs a value+usage"},
                     {"--app APP --history --from 1.1.2024", 2, "",
                      "a day is written yyyy-mm-dd, not 1.1.2024+usage"},
                     {"--app APP --keep-backups 0", 2, "",
                      "--keep-backups takes a whole number from 1 to 1000, not 0+usage"},
                     {"--app APP --history --affiliate x", 2, "",
                      "--affiliate takes an affiliate ID (a whole number from 1), not x+usage"},
                     {"--app APP --repair --history", 2, "",
                      "--repair, --history, --backup, --restore and --keep-backups go one at a "
                      "time+usage"},
                     {"--app APP --from 2024-01-01", 2, "",
                      "--from, --to and --affiliate go with --history+usage"},
                     {"--app APP", 0, clean, ""},
                     {"--app nowhere --app APP", 0, clean, ""},
                     {"--app=APP", 0, clean, ""},
                 });
}

TEST(DemoCommandLine, AnswersEachMistakeAsBefore) {
    test::TempFolder folder;
    expect_cases(
        QDX_DEMO_PROGRAM, "qdx-demo", folder.path(), folder.path(),
        {
            {"", 2, "", "which folder?+usage"},
            {"--help", 0, "usage", ""},
            {"--version", 0, "qdx-demo " QDX_VERSION "\n", ""},
            {"--frobnicate new", 2, "", "Unknown option 'frobnicate'.+usage"},
            {"-3", 2, "", "Unknown option '3'.+usage"},
            {"--seed", 2, "", "Missing value after '--seed'.+usage"},
            {"--seed x new", 2, "", "the seed must be a whole number+usage"},
            {"--affiliates 0 new", 2, "", "the number of affiliates must be 1 or more+usage"},
            {"--last-day 2025-02-30 new", 2, "",
             "the last day must be a date like 2025-12-31+usage"},
            {"one two", 2, "", "only one folder, please+usage"},
            {"--seed 1 --affiliates 3 --last-day 2025-12-05 new", 0,
             "Demo program written to new: 3 affiliates, 44 sales, 5 payments, 3 "
             "communications, 3 refunds; the last payment run reversed by 1 voids.\n",
             ""},
            {"--seed 1 new", 2, "",
             "new already holds an affiliate program; choose a new folder+usage"},
        });
    EXPECT_FALSE(fs::exists(folder.path() / "-3"));
    EXPECT_FALSE(fs::exists(folder.path() / "one"));
}

}  // namespace
}  // namespace qdx
