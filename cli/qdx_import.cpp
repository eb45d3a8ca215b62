// qdx-import: brings sales, payments, affiliates or refunds in from a CSV file, all
// rows or none, for scheduled runs. Exit 0 imported (or, with --dry-run,
// importable), 1 refused with the reasons on standard error, 2 usage.
#include <clocale>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch_folder.h"
#include "cli/batch_regional.h"
#include "cli/command_line.h"
#include "cli/qdx_report_progress.h"
#include "core/app_folder.h"
#include "core/app_state.h"
#include "core/cp1252.h"
#include "core/csv.h"
#include "core/history.h"
#include "core/regional.h"
#include "core/text_field.h"
#include "registers/import/csv_import.h"
#include "registers/import/import_reversal.h"
#include "safety/backup.h"

namespace {

const char* const kUsage =
    "usage: qdx-import [options] sales|payments|affiliates|refunds FILE\n"
    "       qdx-import [--app DIR] --imports\n"
    "       qdx-import [--app DIR] --reverse N [--date DATE] [--dry-run]\n"
    "  FILE: a CSV file with a header row; sales and payments take the columns\n"
    "        affiliate_id, date, sum and optionally details; affiliates the columns of\n"
    "        the affiliates export (Name, Surname, ..., Referrer's ID, Date, Additional Info);\n"
    "        refunds sale (the sale's record number) or order (a text the sale's details\n"
    "        hold), date, sum and optionally details\n"
    "  --app DIR                  the application folder (default: as the desktop program\n"
    "                             finds it)\n"
    "  --dry-run                  check the file and report, write nothing\n"
    "  --delimiter ,|;|tab        the field delimiter (default: the one of comma, semicolon\n"
    "                             and tab found most often in the header line)\n"
    "  --date-format iso|regional dates as yyyy-mm-dd (default) or the regional short format\n"
    "  --partial                  sales, payments and refunds: import the good rows and write the\n"
    "                             bad ones to FILE.rejected.csv\n"
    "  --force                    import a file that was imported before\n"
    "  --latin                    keep characters the files cannot hold (Windows-1252)\n"
    "                             as their nearest Latin letters (s for \xC5\x9B); without\n"
    "                             it a line holding them is refused\n"
    "  --imports                  list the imports of the ledger, numbered\n"
    "  --reverse N                take import N back: refund its sales in full or void\n"
    "                             its payments, in one append\n"
    "  --date DATE                the reversal's date (default: today), as yyyy-mm-dd or\n"
    "                             the regional short date\n"
    "  --help                     this text\n"
    "  --version                  the program's version\n";

struct Options {
    qdx::ImportKind kind = qdx::ImportKind::Sales;
    std::string file;
    std::optional<std::string> app;
    bool dryRun = false;
    qdx::ImportOptions import;
    bool imports = false;
    std::optional<int64_t> reverse;
    std::optional<std::string> date;
};

// The options, checked; nothing when the program is done (after --help, or a mistake).
std::optional<Options> parse_options(int argc, char** argv, int& exitCode) {
    Options o;
    qdx::cli::CommandLine line("qdx-import", kUsage);
    std::optional<std::string> delimiter, dateFormat, reverse;
    std::vector<std::string> positional;
    line.folder(o.app);
    line.flag("dry-run", o.dryRun);
    line.value("delimiter", delimiter);
    line.value("date-format", dateFormat);
    line.flag("partial", o.import.partial);
    line.flag("force", o.import.force);
    line.flag("latin", o.import.latin);
    line.flag("imports", o.imports);
    line.value("reverse", reverse);
    line.value("date", o.date);
    line.positionals(positional);
    if (auto done = line.parse(argc, argv)) {
        exitCode = *done;
        return std::nullopt;
    }
    auto fail = [&](const std::string& message) {
        exitCode = line.usage_error(message);
        return std::nullopt;
    };
    if (reverse) {
        const std::string& n = *reverse;
        const bool ok =
            !n.empty() && n.size() <= 18 && n.find_first_not_of("0123456789") == std::string::npos;
        if (!ok)
            return fail(
                "--reverse takes an import's number (1, 2, ... as --imports lists them), not " + n);
        o.reverse = std::stoll(n);
    }
    if (o.date && !o.reverse)
        return fail("--date is the date of a reversal: give it with --reverse N");
    if (o.imports || o.reverse) {
        if (o.imports && o.reverse)
            return fail("--imports and --reverse are asked for one at a time");
        if (!positional.empty()) return fail("--imports and --reverse take no register or FILE");
        return o;
    }
    if (delimiter) {
        const std::string& d = *delimiter;
        if (d == "," || d == ";")
            o.import.delimiter = d[0];
        else if (d == "tab" || d == "\t")
            o.import.delimiter = '\t';
        else
            return fail("unknown delimiter: " + d);
    }
    if (dateFormat) {
        if (*dateFormat == "iso")
            o.import.dates = qdx::ImportDates::Iso;
        else if (*dateFormat == "regional")
            o.import.dates = qdx::ImportDates::Regional;
        else
            return fail("unknown date format: " + *dateFormat);
    }
    if (positional.size() != 2)
        return fail(positional.size() < 2 ? "a register and a FILE are needed"
                                          : "too many arguments");
    const std::string& kind = positional[0];
    if (kind == "sales")
        o.kind = qdx::ImportKind::Sales;
    else if (kind == "payments")
        o.kind = qdx::ImportKind::Payments;
    else if (kind == "affiliates")
        o.kind = qdx::ImportKind::Affiliates;
    else if (kind == "refunds")
        o.kind = qdx::ImportKind::Refunds;
    else
        return fail("unknown register: " + kind);
    o.file = positional[1];
    return o;
}

// Texts from the file are Windows-1252; the terminal takes UTF-8.
std::string where(const qdx::ImportProblem& p) {
    std::string place = p.line > 0 ? "line " + std::to_string(p.line) : "";
    if (!p.column.empty()) place += (place.empty() ? "column " : ", column ") + p.column;
    return qdx::cp1252_to_utf8(place.empty() ? place : place + ": ");
}

void list(const std::vector<qdx::ImportProblem>& items, int64_t count) {
    for (const qdx::ImportProblem& p : items)
        std::cerr << where(p)
                  << (p.utf8 ? p.message
                             : qdx::cp1252_to_utf8(std::string(qdx::trim_right(p.message))))
                  << "\n";
    if (count > static_cast<int64_t>(items.size()))
        std::cerr << "and " << count - static_cast<int64_t>(items.size()) << " more\n";
}

int list_imports(const qdx::AppState& state) {
    const auto entries = qdx::read_ledger(state);
    if (entries.empty()) std::cout << "No file was imported.\n";
    for (size_t i = 0; i < entries.size(); ++i)
        std::cout << qdx::import_name(static_cast<int64_t>(i + 1), entries[i]) << "\n";
    return 0;
}

int reverse(const qdx::AppState& state, const Options& o) {
    double date = state.today();
    if (o.date) {
        const auto typed = qdx::parse_date(*o.date, state.regional);
        if (!typed) {
            std::cerr << "--date " << *o.date
                      << ": not a date; give it as yyyy-mm-dd or the regional short date\n";
            return 2;
        }
        date = *typed;
    }
    qdx::ImportReversal plan;
    try {
        plan = qdx::plan_import_reversal(state, *o.reverse, date);
    } catch (const qdx::ReversalRefused& refused) {
        std::cerr << refused.what() << ".\n";
        return 1;
    }
    const bool voids = plan.voidsPayments();
    const std::string what = std::to_string(plan.count()) +
                             (voids ? (plan.count() == 1 ? " void" : " voids")
                                    : (plan.count() == 1 ? " refund" : " refunds")) +
                             " dated " + qdx::history_date(plan.date) + ", total sum " +
                             qdx::round3_double(plan.total, state.regional);
    if (plan.alreadyCorrected > 0)
        std::cerr << plan.alreadyCorrected << " of its records "
                  << (voids ? "were voided" : "were refunded in full")
                  << " already and are left as they are.\n";
    if (o.dryRun) {
        std::cout << "Reversing " << qdx::import_name(plan.number, plan.entry) << " writes " << what
                  << "; nothing was written (dry run).\n";
        return 0;
    }
    // As before an import: a backup of the data as it was, or nothing is written.
    try {
        qdx::cli::TerminalProgress shown;
        qdx::automatic_backup(state.appDir, "reversal", shown.progress());
    } catch (const std::exception& error) {
        std::cerr << "The backup before the reversal could not be made, so nothing was "
                     "reversed: "
                  << qdx::cp1252_to_utf8(error.what()) << "\n";
        return 1;
    }
    const int64_t first = qdx::reverse_import(state, plan);
    std::cout << "Reversed " << qdx::import_name(plan.number, plan.entry) << ": " << what
              << ", records " << first << " to " << first + plan.count() - 1 << " of "
              << (voids ? "voids.qdx" : "refunds.qdx") << ".\n";
    return 0;
}

int run(const qdx::AppState& state, const Options& o) {
    if (o.imports) return list_imports(state);
    if (o.reverse) return reverse(state, o);
    const qdx::ImportPlan plan = qdx::plan_import(state, o.kind, o.file, o.import);
    if (plan.delimiterFound)
        std::cerr << "delimiter: " << qdx::csv::delimiter_name(plan.delimiter)
                  << " (found in the header line)\n";
    if (!plan.ignoredColumns.empty()) {
        std::string names;
        for (const std::string& c : plan.ignoredColumns) names += (names.empty() ? "" : ", ") + c;
        std::cerr << "columns ignored: " << qdx::cp1252_to_utf8(names) << "\n";
    }
    list(plan.warnings, static_cast<int64_t>(plan.warnings.size()));
    list(plan.problems, plan.problemCount);
    if (plan.alreadyImported) std::cerr << *plan.alreadyImported << "\n";
    if (plan.unkeptLines > 0 && !o.import.latin)
        std::cerr << plan.unkeptLines << (plan.unkeptLines == 1 ? " line holds" : " lines hold")
                  << " characters the files cannot keep: with --latin they are kept as their "
                     "nearest Latin letters.\n";
    if (!plan.importable()) {
        if (o.import.partial && o.kind == qdx::ImportKind::Affiliates && plan.problemCount > 0)
            std::cerr << "Affiliates are imported all or none: the IDs after a bad row would "
                         "change.\n";
        if (plan.rows == 0 && plan.problemCount == 0 && !plan.alreadyImported)
            std::cerr << "Nothing to import.\n";
        return 1;
    }
    // As the reports write their totals: to 3 decimals.
    const std::string total = qdx::round3_double(plan.totalSum, state.regional);
    if (o.dryRun) {
        std::cout << plan.rows << " rows can be imported";
        if (o.kind != qdx::ImportKind::Affiliates) std::cout << ", total sum " << total;
        std::cout << "; nothing was written (dry run).\n";
        return plan.problemCount > 0 ? 1 : 0;
    }
    // A backup of the data as it was comes first; without one nothing is imported.
    try {
        qdx::cli::TerminalProgress shown;
        qdx::automatic_backup(state.appDir, "import", shown.progress());
    } catch (const std::exception& error) {
        std::cerr << "The backup before the import could not be made, so nothing was imported: "
                  << qdx::cp1252_to_utf8(error.what()) << "\n";
        return 1;
    }
    const qdx::ImportResult result = qdx::run_import(state, plan);
    std::cout << "Imported " << result.records << (result.records == 1 ? " record, " : " records, ")
              << result.firstRecord << " to " << result.firstRecord + result.records - 1;
    if (o.kind != qdx::ImportKind::Affiliates) std::cout << ", total sum " << total;
    std::cout << ".\n";
    if (result.rejected)
        std::cerr << plan.problemCount << " rows were left out and written to "
                  << result.rejected->string() << "\n";
    // The records are in: what failed after them does not make the run fail.
    for (const std::string& left : result.leftToDo) std::cerr << qdx::cp1252_to_utf8(left) << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The user's locale for the C library's messages; the engine formats numbers
    // itself, so the C library's own stay in "C".
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");

    int exitCode = 0;
    const auto options = parse_options(argc, argv, exitCode);
    if (!options) return exitCode;

    qdx::AppState state;
    state.regional = qdx::cli::user_regional();
    qdx::FolderLock lock;
    try {
        qdx::cli::open_batch_folder(state, options->app, lock);
        return run(state, *options);
    } catch (const std::exception& failure) {
        std::cerr << failure.what() << "\n";
        return 1;
    }
}
