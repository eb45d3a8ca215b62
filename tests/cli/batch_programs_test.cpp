// The batch programs run as programs: qdx-report's expected exports of the
// example folders, exit codes, messages and written files; qdx-demo's usage.
// A build without Qt has no PDFs and charts: their tests are left out there,
// and qdx-report's refusal is tested instead.
#include <gtest/gtest.h>

#ifndef QDX_NO_QT
#include <QImage>
#endif
#include <fstream>
#include <sstream>

#include "cli/program_run.h"
#include "core/app_folder.h"
#include "core/files.h"
#include "core/hold_period.h"
#include "core/ole_date.h"
#include "core/payee_file.h"
#include "core/record_file.h"
#include "support/not_on_windows.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

using test::Outcome;
using test::quoted;

struct Invocation : test::Invocation {
    Invocation() { program = QDX_REPORT_PROGRAM; }
};

// Runs `qdx-report <args>` (or the program named in `how`) in `folder`.
Outcome run_in(const fs::path& folder, const std::string& args, const Invocation& how = {}) {
    return test::run_program(folder, args, how);
}

struct GoldenLine {
    std::string expected, command;
};
void PrintTo(const GoldenLine& line, std::ostream* os) { *os << line.command; }

std::vector<GoldenLine> index_lines() {
    std::vector<GoldenLine> lines;
    std::ifstream index(std::string(QDX_EXAMPLES_DIR) + "/INDEX.tsv");
    std::string line;
    std::getline(index, line);  // column titles
    while (std::getline(index, line)) {
        auto tab = line.find('\t');
        if (tab != std::string::npos) lines.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return lines;
}

class ExampleExport : public ::testing::TestWithParam<GoldenLine> {};

TEST_P(ExampleExport, PrintsTheExpectedBytes) {
    const GoldenLine& line = GetParam();
    const std::string world = line.expected.substr(0, line.expected.find('/'));
    test::TempFolder folder;
    fs::create_directories(folder.path() / world);
    test::copy_example(world, folder.path() / world / "app");

    // "LC_ALL=… qdx-report ARGS": the locale and the arguments as the index gives them.
    std::istringstream words(line.command);
    std::string assignment, program, args, word;
    words >> assignment >> program;
    ASSERT_EQ(assignment.rfind("LC_ALL=", 0), 0u);
    ASSERT_EQ(program, "qdx-report");
    while (words >> word) args += " " + word;

    Invocation how;
    how.locale = assignment.substr(7);
    if (auto why = test::locale_unavailable(how.locale)) GTEST_SKIP() << *why;
    Outcome o = run_in(folder.path(), args, how);
    if (o.exitCode == 1 && o.err == "not available yet\n") GTEST_SKIP() << "not available yet";
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.out, test::read_file(fs::path(QDX_EXAMPLES_DIR) / line.expected));
}

// The index must be there and list exports: a missing or empty data folder is a
// failure of its own, not a parameterised suite that silently runs nothing.
TEST(ExampleData, IndexListsTheExpectedExports) {
    const fs::path index = fs::path(QDX_EXAMPLES_DIR) / "INDEX.tsv";
    ASSERT_TRUE(fs::exists(index))
        << "the example folders are missing: " << index << " should be in the repository";
    EXPECT_FALSE(index_lines().empty()) << index << " lists no export";
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ExampleExport);
INSTANTIATE_TEST_SUITE_P(Index, ExampleExport, ::testing::ValuesIn(index_lines()),
                         [](const ::testing::TestParamInfo<GoldenLine>& info) {
                             std::string name;
                             for (char c : info.param.expected)
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             return name;
                         });

double march(int day) { return ole_from_ymd(2003, 3, day); }

#ifdef QDX_NO_QT
constexpr bool kPrints = false;
#else
constexpr bool kPrints = true;
#endif

// Affiliates 1 <- 2 <- 3, Percents 10/5/2, minimal payment 5, one sale of
// 200 by affiliate 3 on 15 March 2003 and a payment of 15 to it on 10 March.
class ReportProgram : public ::testing::Test {
  protected:
    ReportProgram() : state(folder.path()) {
        test::write_affiliates(state, {test::affiliate(1, 0, 1, ole_from_ymd(2003, 2, 1), "Kai"),
                                       test::affiliate(2, 1, 2, march(5), "Lea"),
                                       test::affiliate(3, 2, 3, march(5), "Max")});
        test::write_settings(state, test::settings("Percents", {10, 5, 2}, 5));
        test::write_money(state, file::kSales, {{3, 200, march(15)}});
        test::write_money(state, file::kPayments, {{3, 15, march(10)}});
    }
    void SetUp() override {
        if (auto why = test::locale_unavailable(Invocation().locale)) GTEST_SKIP() << *why;
    }
    Outcome run(const std::string& args, const Invocation& how = {}) {
        return run_in(folder.path(), "--app " + quoted(folder.path().string()) + " " + args, how);
    }
    int64_t paymentCount() {
        return RecordFile(state.dataFile(file::kPayments), MoneyRecord::kSize).count();
    }
    test::TempFolder folder;
    AppState state;
};

TEST_F(ReportProgram, WorkedExampleAccounts) {
    Outcome o = run("--from 2003-03-01 --to 2003-03-31 accounts");
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out,
              "Accounts_Report from 01/03/2003 to 31/03/2003\r\n\r\n"
              " Affiliate's ID     ; Income       ; Payments         ;  Balance        \r\n"
              "1;4;0;4\r\n2;10;0;10\r\n3;20;15;5\r\n Total;34;15;19\r\n");
    EXPECT_FALSE(file_exists(state.workFile(file::kAccounts)));
    EXPECT_FALSE(fs::exists(folder.path() / "output"));  // nothing saved unless asked
}

TEST_F(ReportProgram, RegionalDatesAndDecimalComma) {
    test::write_money(state, file::kSales, {{3, 1, march(16)}});
    Invocation german;
    german.locale = "de_DE.UTF-8";
    if (auto why = test::locale_unavailable(german.locale)) GTEST_SKIP() << *why;
    Outcome o = run("--from 01.03.2003 --to 2003-03-31 --separator comma payments-due", german);
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.out,
              "Payments_Report from 01.03.2003 to 31.03.2003\r\n\r\n"
              " Affiliate's ID     , Payments Due  \r\n"
              "2,10,05\r\n3,5,1\r\n Total,15,15\r\n");
}

TEST_F(ReportProgram, SaveWritesTheSameBytesAsStandardOutput) {
    const auto preview = folder.path() / "preview.pdf";
    Outcome o = run("--from 2003-03-01 --to 2003-03-31 --separator space --save --full " +
                    (kPrints ? "--preview-pdf " + quoted(preview.string()) : "") + " accounts");
    ASSERT_EQ(o.exitCode, 0) << o.err;
    if (kPrints) {
        EXPECT_EQ(test::read_file(preview).rfind("%PDF", 0), 0u);
    }
    EXPECT_EQ(test::read_file(folder.path() / "output" / "Accounts_Report.txt"), o.out);
    const std::string html =
        test::read_file(folder.path() / "output" / "html" / "Accounts_Report.htm");
    EXPECT_EQ(html.rfind("<html> <body>\r\nAccounts_Report from 01/03/2003", 0), 0u);
    EXPECT_NE(o.out.find("\r\n3 20 15 5 Max    "), std::string::npos);
}

TEST_F(ReportProgram, RegisterAppendsTheListedPaymentsOnce) {
    QDX_SKIP_WITHOUT_BACKUPS();
    Outcome first = run("--from 2003-03-01 --to 2003-03-31 --register payments-due");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out.substr(first.out.find("\r\n\r\n") + 4),
              " Affiliate's ID     ; Payments Due  \r\n2;10\r\n3;5\r\n Total;15\r\n");
    EXPECT_EQ(paymentCount(), 3);
    // The data as it was before the payments is kept in backups/.
    ASSERT_TRUE(fs::is_directory(folder.path() / "backups"));
    EXPECT_FALSE(fs::is_empty(folder.path() / "backups"));

    Outcome second = run("--from 2003-03-01 --to 2003-03-31 --register payments-due");
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.out.find("Payments Due  \r\n Total;0\r\n"), std::string::npos);
    EXPECT_EQ(paymentCount(), 3);
}

TEST_F(ReportProgram, PaymentRunsAreListedAndAReversalVoidsWhatIsLeftOnce) {
    QDX_SKIP_WITHOUT_BACKUPS();
    EXPECT_EQ(run("payment-runs").err, "No payment run was registered yet.\n");
    ASSERT_EQ(run("--from 2003-03-01 --to 2003-03-31 --register payments-due").exitCode, 0);
    Outcome listed = run("payment-runs");
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const size_t range = listed.out.find(", range ");
    ASSERT_NE(range, std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.substr(range),
              ", range 01/03/2003 to 31/03/2003, payments 2 to 3, 2 payments, 15.00 in all\n");

    test::write_voids(state, {{3, 5, march(31)}});  // affiliate 3's payment, voided by itself
    Outcome reversed = run("--reverse-run 1 --date 2003-04-01");
    ASSERT_EQ(reversed.exitCode, 0) << reversed.err;
    EXPECT_EQ(reversed.out,
              "Reversing payment run 1 voids 1 payment, 10.00 in all, dated 01/04/2003; 1 "
              "payment of the run was voided one by one already and is left as it is.\n"
              "Payment run 1 reversed: voids 2 to 2 written.\n");
    RecordFile voids(state.dataFile(file::kVoids), VoidRecord::kSize);
    ASSERT_EQ(voids.count(), 2);
    EXPECT_EQ(voids.read<VoidRecord>(2).payment, 2);
    EXPECT_EQ(voids.read<VoidRecord>(2).date, ole_from_ymd(2003, 4, 1));
    EXPECT_NE(run("payment-runs").out.find("; reversed on 01/04/2003 by voids 2 to 2, 10.00\n"),
              std::string::npos);

    const std::pair<std::string, std::string> refusals[] = {
        {"--reverse-run 1",
         "Payment run 1 is not reversed again: this run was reversed on 01/04/2003\n"},
        {"--reverse-run 2", "There is no payment run 2: the runs are numbered 1 to 1\n"},
        {"--reverse-run 1x", "--reverse-run: \"1x\" is not a payment run's number\n"},
        {"--reverse-run 1 --date 2003-02-30", "--date: \"2003-02-30\" is not a date\n"}};
    for (const auto& [args, message] : refusals) {
        const Outcome o = run(args);
        EXPECT_EQ(o.exitCode, 1) << args;
        EXPECT_EQ(o.err, message);
    }
    for (const char* usage : {"--date 2003-04-01 accounts", "--reverse-run 1 accounts",
                              "--reverse-run 1 --full", "payment-runs 3"})
        EXPECT_EQ(run(usage).exitCode, 2) << usage;
    EXPECT_EQ(RecordFile(state.dataFile(file::kVoids), VoidRecord::kSize).count(), 2);
}

TEST_F(ReportProgram, PayoutFileAndCsvComeBesideTheReport) {
    const auto payout = folder.path() / "payout.csv";
    Outcome o = run("--from 2003-03-01 --to 2003-03-31 --csv --payout " + quoted(payout.string()) +
                    " --payout-layout mass --currency EUR payments-due");
    ASSERT_EQ(o.exitCode, 0) << o.err;
    // No affiliate here has an e-mail: the form is left empty and says why.
    EXPECT_NE(o.err.find("lists 0 payment(s), 0.00 in all.\nLeft out, as they have no e-mail to "
                         "pay to: affiliate ID 2, 3."),
              std::string::npos)
        << o.err;
    EXPECT_EQ(test::read_file(payout), "");
    EXPECT_NE(test::read_file(folder.path() / "output" / "Payments_Report.csv").find("3,5\r\n"),
              std::string::npos);
    // The currency is remembered for the next run.
    ASSERT_EQ(run("--from 2003-03-01 --to 2003-03-31 --payout " + quoted(payout.string()) +
                  " --payout-layout mass payments-due")
                  .exitCode,
              0);
}

// A SEPA file needs the owner's account once; it is kept for the next run.
TEST_F(ReportProgram, SepaPayoutAsksForTheDebtorOnceAndValidates) {
    write_payee_file(payee_file_path(state),
                     {{},
                      {PayMethod::BankTransfer, "Lea", "DE89370400440532013000", "", ""},
                      {PayMethod::BankTransfer, "Max", "AT611904300234573201", "", ""}});
    const auto sepa = folder.path() / "sepa.xml";
    const std::string range = "--from 2003-03-01 --to 2003-03-31 --payout " + quoted(sepa.string());
    Outcome refused = run(range + " --payout-layout sepa payments-due");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("fill in the debtor's IBAN"), std::string::npos) << refused.err;
    EXPECT_FALSE(file_exists(sepa));

    Outcome o = run(range + " --payout-layout sepa03 --debtor-name Owner --debtor-iban " +
                    quoted("NL91 ABNA 0417 1643 00") + " --execution-date 2003-04-01 payments-due");
    ASSERT_EQ(o.exitCode, 0) << o.err;
    EXPECT_NE(o.err.find("lists 2 payment(s), 15.00 EUR in all."), std::string::npos) << o.err;
    const std::string xml = test::read_file(sepa);
    EXPECT_NE(xml.find("pain.001.001.03"), std::string::npos);
    EXPECT_NE(xml.find("<ReqdExctnDt>2003-04-01</ReqdExctnDt>"), std::string::npos);
    EXPECT_NE(xml.find("<IBAN>NL91ABNA0417164300</IBAN>"), std::string::npos);

    Outcome again = run(range + " --payout-layout sepa payments-due");
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(test::read_file(sepa).find("<IBAN>NL91ABNA0417164300</IBAN>"), std::string::npos);
    EXPECT_NE(test::read_file(sepa).find("pain.001.001.09"), std::string::npos);
}

// --csv guards texts a spreadsheet would run; --raw-text keeps them as they are.
TEST_F(ReportProgram, CsvTextsGetTheirApostropheUnlessRawText) {
    fs::remove(state.dataFile(file::kAffiliates));
    test::write_affiliates(state, {test::affiliate(1, 0, 1, ole_from_ymd(2003, 2, 1), "=Kai"),
                                   test::affiliate(2, 1, 2, march(5), "+Lea"),
                                   test::affiliate(3, 2, 3, march(5), "Max")});
    const fs::path csv = folder.path() / "output" / "Accounts_Report.csv";
    ASSERT_EQ(run("--from 2003-03-01 --to 2003-03-31 --full --csv accounts").exitCode, 0);
    const std::string guarded = test::read_file(csv);
    EXPECT_NE(guarded.find("\r\n1,4,0,4,'=Kai,"), std::string::npos) << guarded;
    Outcome raw = run("--from 2003-03-01 --to 2003-03-31 --full --csv --raw-text accounts");
    ASSERT_EQ(raw.exitCode, 0) << raw.err;
    const std::string asTheyAre = test::read_file(csv);
    EXPECT_NE(asTheyAre.find("\r\n1,4,0,4,=Kai,"), std::string::npos) << asTheyAre;
    EXPECT_EQ(raw.out,
              run("--from 2003-03-01 --to 2003-03-31 --full accounts").out);  // text as before
}

TEST_F(ReportProgram, PagesComeWithPaymentsDue) {
    Outcome o = run("--from 2003-03-01 --to 2003-03-31 --pages payments-due");
    ASSERT_EQ(o.exitCode, 0) << o.err;
    EXPECT_TRUE(file_exists(folder.path() / "HTML" / " 1.html"));
    EXPECT_TRUE(file_exists(folder.path() / "HTML" / " 3d.html"));
}

// The hold period of the AP settings applies here as in the window: March's
// sale is paid in April, and a damaged hold stops the report.
TEST_F(ReportProgram, PaymentsDueHoldsTheCommissionsAsTheWindowDoes) {
    write_file_atomically(state.dataFile(kHoldDaysFile), "30\r\n");
    Outcome inMarch = run("--from 2003-03-01 --to 2003-03-31 payments-due");
    ASSERT_EQ(inMarch.exitCode, 0) << inMarch.err;
    EXPECT_EQ(inMarch.out,
              "Payments_Report (commissions held 30 days) from 01/03/2003 to 31/03/2003\r\n\r\n"
              " Affiliate's ID     ; Payments Due  \r\n Total;0\r\n");
    Outcome april = run("--from 2003-04-01 --to 2003-04-30 payments-due");
    EXPECT_NE(april.out.find("\r\n2;10\r\n3;20\r\n Total;30\r\n"), std::string::npos) << april.out;
    write_file_atomically(state.dataFile(kHoldDaysFile), "a month");
    Outcome damaged = run("--from 2003-04-01 --to 2003-04-30 --register payments-due");
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_NE(damaged.err.find("holds \"a month\""), std::string::npos) << damaged.err;
    EXPECT_EQ(damaged.out, "");
    EXPECT_EQ(paymentCount(), 1);
}

TEST_F(ReportProgram, FailuresPrintTheWindowsMessageAndExitOne) {
    struct Case {
        std::string args, message;
    } cases[] = {
        {"--to yesterday payments-due", "Sorry, you entered an incorrect value\n"},
        {"activities", "Please enter data into the field\n"},
        {"network 4", "Sorry, there is no Affiliate with that ID\n"},
        {"downline -1", "Sorry, there is no Affiliate with that ID\n"},
        {"--from 2003-01-01 --to 2050-01-01 ap-performance",
         "The range is too long: at most 501 months\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        Outcome o = run(c.args);
        EXPECT_EQ(o.exitCode, 1);
        EXPECT_EQ(o.err, c.message);
        EXPECT_EQ(o.out, "");
    }
}

// Options that do not go together (the parser's own mistakes: command_line_test).
TEST_F(ReportProgram, UsageErrorsExitTwoWithTheUsage) {
    for (const char* args :
         {"--pages accounts", "--register ap-performance", "network 1 2", "--payout p.csv accounts",
          "--currency EUR payments-due", "--payout p.csv --payout-layout xml payments-due",
          "--chart c.png accounts",
          "--payout p.xml --debtor-iban DE89370400440532013000 payments-due",
          "--payout p.csv --payout-layout paypal --execution-date 2003-04-01 payments-due",
          "--chart c.gif network 0", "--chart-style lines ap-performance",
          "--chart c.svg --chart-style pie ap-performance"}) {
        SCOPED_TRACE(args);
        Outcome o = run(args);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_NE(o.err.find("usage: qdx-report"), std::string::npos);
        EXPECT_EQ(o.out, "");
    }
}

// The steps after the report is made: each failure names its step, and the
// payments are registered only once everything else is done.
TEST_F(ReportProgram, EachStepSaysWhatFailedAndThenRegistersNothing) {
    std::ofstream(folder.path() / "output") << "a file where the output folder belongs";
    const std::string range = "--from 2003-03-01 --to 2003-03-31 ";
    struct Case {
        std::string args, failure;
    };
    std::vector<Case> cases = {
        {range + "--register --save payments-due", "The report could not be saved as text: "},
        {range + "--save network 1", "The report could not be saved as text: "},
        {range + "--register --csv payments-due", "The report could not be saved as CSV: "},
        {range + "--register --payout " + quoted((folder.path() / "output" / "p.csv").string()) +
             " payments-due",
         "The payout file could not be written; it is as it was: "},
        {range + "--register --payout p.csv --payout-layout mass payments-due",
         "The mass-payment form needs a currency"},
    };
    if (kPrints)
        for (const char* option : {"--pdf ", "--preview-pdf "})
            cases.push_back(
                {range + "--register " + option + quoted(folder.path().string()) + " payments-due",
                 "The report could not be printed: "});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        Outcome o = run(c.args);
        EXPECT_EQ(o.exitCode, 1);
        EXPECT_NE(o.err.find(c.failure), std::string::npos) << o.err;
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(paymentCount(), 1);
    }
}

// A device named as the PDF is refused, never replaced (the tests run as
// root, who could replace it); a payout file that is a link is written
// through to the file it leads to.
#ifndef _WIN32
TEST_F(ReportProgram, ADeviceIsNeverReplacedAndALinkIsWrittenThrough) {
    const std::string range = "--from 2003-03-01 --to 2003-03-31 ";
    for (const char* option : {"--pdf", "--preview-pdf", "--payout"}) {
        SCOPED_TRACE(option);
        if (!kPrints && option != std::string("--payout")) continue;
        Outcome o = run(range + "--register " + option + " /dev/full payments-due");
        EXPECT_EQ(o.exitCode, 1);
        EXPECT_NE(o.err.find("Cannot write /dev/full: it is a device, not a regular file, and "
                             "is left as it is"),
                  std::string::npos)
            << o.err;
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
        EXPECT_EQ(paymentCount(), 1);
    }
    const fs::path real = folder.path() / "bank" / "payout.csv";
    fs::create_directories(real.parent_path());
    std::ofstream(real) << "old";
    const fs::path link = folder.path() / "payout.csv";
    fs::create_symlink(real, link);
    Outcome o = run(range + "--payout " + quoted(link.string()) + " payments-due");
    ASSERT_EQ(o.exitCode, 0) << o.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(test::read_file(real).find("Affiliate ID,Name,Surname"), std::string::npos);
}

TEST_F(ReportProgram, AFullOutputIsToldAndNothingIsRegistered) {
    Invocation full;
    full.stdoutTo = "/dev/full";
    Outcome o = run("--from 2003-03-01 --to 2003-03-31 --register payments-due", full);
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.err,
              "The report could not be written to standard output: No space left on device\n");
    EXPECT_EQ(paymentCount(), 1);
}
#else
QDX_NOT_ON_WINDOWS(ReportProgram, ADeviceIsNeverReplacedAndALinkIsWrittenThrough,
                   "needs /dev/full and symbolic links");
QDX_NOT_ON_WINDOWS(ReportProgram, AFullOutputIsToldAndNothingIsRegistered, "needs /dev/full");
#endif

TEST_F(ReportProgram, AFolderItCannotHoldIsRefused) {
    {
        FolderLock lock;
        ASSERT_TRUE(lock.acquire(folder.path()));
        Outcome o = run("accounts");
        EXPECT_EQ(o.exitCode, 1);
        EXPECT_EQ(o.err, std::string(kFolderInUseMessage) + "\n");
    }
    const fs::path lockFile = folder.path() / ".qdx.lock";
    fs::remove(lockFile);
    fs::create_directory(lockFile);  // a lock file that cannot be opened
    Outcome o = run("--from 2003-03-01 --to 2003-03-31 --register payments-due");
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.err.rfind("The lock file " + lockFile.string() + " cannot be opened: ", 0), 0u)
        << o.err;
    EXPECT_EQ(paymentCount(), 1);
}

// An installed copy (the program beside ../share/qdx) keeps its data in the
// per-user folder, even where it could write beside itself.
#ifndef _WIN32
TEST(InstalledReportProgram, UsesThePerUserFolder) {
    test::TempFolder root;
    fs::create_directories(root.path() / "bin");
    fs::create_directories(root.path() / "share" / "qdx");
    const fs::path program = root.path() / "bin" / "qdx-report";
    std::error_code linked;
    fs::create_hard_link(QDX_REPORT_PROGRAM, program, linked);
    if (linked) fs::copy_file(QDX_REPORT_PROGRAM, program);

    const fs::path home = root.path() / "home";
    Invocation installed;
    installed.program = program;
    installed.env = "XDG_DATA_HOME=" + quoted(home.string());
    Outcome o = run_in(root.path(), "accounts", installed);
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_TRUE(fs::exists(home / "Qdx" / ".qdx.lock"));
    EXPECT_FALSE(fs::exists(root.path() / "bin" / ".qdx.lock"));
}
#else
QDX_NOT_ON_WINDOWS(InstalledReportProgram, UsesThePerUserFolder,
                   "the per-user folder comes from XDG_DATA_HOME");
#endif

#ifndef QDX_NO_QT
// Charts for scheduled runs on servers without a desktop: a PNG picture and
// an SVG drawing, drawn offscreen with no display and no Qt platform set
// (empty or not set at all); the report still goes to standard output.
TEST_F(ReportProgram, ChartsArePngOrSvgAndNeedNoDisplay) {
    Invocation server;
    server.env = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
    const fs::path png = folder.path() / "performance.png", svg = folder.path() / "network.svg";
    Outcome columns =
        run("--from 2003-01-01 --to 2003-12-31 --chart " + quoted(png.string()) + " ap-performance",
            server);
    ASSERT_EQ(columns.exitCode, 0) << columns.err;
    EXPECT_EQ(columns.out.rfind("AP_Performance_Report from 01/01/2003 to 31/12/2003\r\n", 0), 0u);
    EXPECT_EQ(test::read_file(png).substr(0, 8), "\x89PNG\r\n\x1a\n");
    // The picture has its letters (fonts were found) and its columns.
    const QImage picture(QString::fromStdString(png.string()));
    ASSERT_EQ(picture.size(), QSize(1000, 600));
    int dark = 0, coloured = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (y < 45 && c.lightness() < 80) ++dark;  // the title's band
            if (c.hslSaturation() > 120 && c.lightness() > 40 && c.lightness() < 200) ++coloured;
        }
    EXPECT_GT(dark, 100) << "no title drawn";
    EXPECT_GT(coloured, 1000) << "no columns drawn";

    server.env = "DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=";
    Outcome lines = run("--from 2003-03-01 --to 2003-03-31 --chart " + quoted(svg.string()) +
                            " --chart-style lines network 0",
                        server);
    ASSERT_EQ(lines.exitCode, 0) << lines.err;
    const std::string drawing = test::read_file(svg);
    EXPECT_EQ(drawing.rfind("<?xml", 0), 0u);
    EXPECT_NE(drawing.find("Net_Structure_Report from 01/03/2003 to 31/03/2003"),
              std::string::npos);
    EXPECT_NE(drawing.find("</svg>"), std::string::npos);

    // A folder that is not there: the failed step is named.
    Outcome refused = run("--chart " + quoted((folder.path() / "none" / "c.png").string()) +
                          " income-structure 1");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("The chart could not be saved: "), std::string::npos) << refused.err;
}
#else
TEST_F(ReportProgram, PdfsAndChartsAreRefusedWithoutQt) {
    for (const char* args : {"--pdf r.pdf accounts", "--preview-pdf r.pdf --full accounts",
                             "--chart c.png --from 2003-01-01 --to 2003-12-31 ap-performance"}) {
        SCOPED_TRACE(args);
        Outcome o = run(args);
        EXPECT_EQ(o.exitCode, 1);
        EXPECT_NE(o.err.find(": this build of qdx-report has no PDF or chart output (it was "
                             "made without Qt)\n"),
                  std::string::npos)
            << o.err;
        EXPECT_EQ(o.out, "");
        EXPECT_FALSE(fs::exists(folder.path() / "r.pdf") || fs::exists(folder.path() / "c.png"));
    }
    EXPECT_EQ(run("--chart c.png accounts").exitCode, 2);  // a usage error first
}
#endif

// qdx-check: 0 clean, 1 with findings; the repair, the history and a backup
// and restore from the command line.
TEST(CheckProgram, ChecksRepairsPrintsTheHistoryAndRestores) {
    test::TempFolder folder;
    const fs::path app = folder.path() / "app";
    test::copy_example("world-9031", app);
    Invocation check;
    check.program = QDX_CHECK_PROGRAM;
    const std::string at = "--app " + quoted(app.string()) + " ";
    Outcome clean = run_in(folder.path(), at, check);
    EXPECT_EQ(clean.exitCode, 0) << clean.out << clean.err;
    EXPECT_NE(clean.out.find("No findings: 40 affiliates"), std::string::npos) << clean.out;
    EXPECT_EQ(run_in(folder.path(), at + "--backup", check).exitCode, 2);  // no archive named

    QDX_SKIP_WITHOUT_BACKUPS();
    const fs::path zip = folder.path() / "before.zip";
    EXPECT_EQ(run_in(folder.path(), at + "--backup " + quoted(zip.string()), check).exitCode, 0);
    std::ofstream(app / "data" / "affiliates.qdx", std::ios::binary | std::ios::app) << "cut";
    Outcome damaged = run_in(folder.path(), at, check);
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_NE(damaged.out.find("data/affiliates.qdx, record 41: the file ends in a fragment of 3 "
                               "bytes after record 40"),
              std::string::npos)
        << damaged.out;
    Outcome repaired = run_in(folder.path(), at + "--repair", check);
    EXPECT_EQ(repaired.exitCode, 0) << repaired.out << repaired.err;
    EXPECT_EQ(run_in(folder.path(), at, check).exitCode, 0);
    EXPECT_EQ(test::read_file(app / "data" / "affiliates.qdx.fragment"), "cut");

    Outcome restored = run_in(folder.path(), at + "--restore " + quoted(zip.string()), check);
    EXPECT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_FALSE(fs::exists(app / "data" / "affiliates.qdx.fragment"));
    std::ofstream(folder.path() / "bad.zip") << "PK not really";
    Outcome refused = run_in(
        folder.path(), at + "--restore " + quoted((folder.path() / "bad.zip").string()), check);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("nothing was changed"), std::string::npos) << refused.err;

    Outcome history = run_in(folder.path(), at + "--history", check);
    EXPECT_EQ(history.exitCode, 0);
    EXPECT_NE(history.out.find("backup to "), std::string::npos) << history.out;
    EXPECT_NE(history.out.find("restore from "), std::string::npos) << history.out;
    EXPECT_EQ(run_in(folder.path(), at + "--history --to 2000-01-01", check).out, "");
    EXPECT_EQ(run_in(folder.path(), at + "--history --affiliate 7", check).out, "");
}

// Each batch program's manual page describes every option its --help lists.
TEST(ManualPages, DescribeEveryOptionTheHelpLists) {
    test::TempFolder folder;
    const std::pair<const char*, const char*> programs[] = {{"qdx-report", QDX_REPORT_PROGRAM},
                                                            {"qdx-import", QDX_IMPORT_PROGRAM},
                                                            {"qdx-demo", QDX_DEMO_PROGRAM},
                                                            {"qdx-check", QDX_CHECK_PROGRAM}};
    for (auto [name, path] : programs) {
        SCOPED_TRACE(name);
        Invocation how;
        how.program = path;
        const Outcome help = run_in(folder.path(), "--help", how);
        ASSERT_EQ(help.exitCode, 0);
        // The page as a reader sees it: roff's escaped hyphens plain.
        std::string page =
            test::read_file(fs::path(QDX_SOURCE_DIR) / "docs" / "man" / (name + std::string(".1")));
        for (size_t at; (at = page.find("\\-")) != std::string::npos;) page.erase(at, 1);
        std::string title = name;
        for (char& c : title) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(page.rfind(".TH " + title + " 1 ", 0), 0u);
        std::istringstream words(help.out);
        int options = 0;
        for (std::string word; words >> word;) {
            if (word.rfind("--", 0) != 0) continue;
            word = word.substr(0, word.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", 2));
            word = word.substr(0, word.find_last_not_of('-') + 1);
            ++options;
            EXPECT_NE(page.find(word), std::string::npos) << word;
        }
        EXPECT_GE(options, 2);
    }
}

}  // namespace
}  // namespace qdx
