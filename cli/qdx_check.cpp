// qdx-check: checks an application folder's data and says what is wrong and
// what the repair would be; repairs what cannot lose data; prints the
// history; backs the data up and restores it. Exit 0 clean (or done), 1 with
// findings (or failed), 2 on a usage error.
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch_folder.h"
#include "cli/command_line.h"
#include "cli/qdx_report_progress.h"
#include "core/app_folder.h"
#include "core/files.h"
#include "core/history.h"
#include "safety/backup.h"
#include "safety/check.h"

namespace {

const char* const kUsage =
    "usage: qdx-check [options]\n"
    "  Checks every file of the application folder and lists each finding: the file,\n"
    "  the record, the field, what is wrong and what the repair would be.\n"
    "  --app DIR        the application folder (default: as the desktop program finds it)\n"
    "  --repair         back the data up, then make the repairs that cannot lose data\n"
    "  --history        print the history of changes\n"
    "  --from DATE      with --history: from this day on (yyyy-mm-dd)\n"
    "  --to DATE        with --history: up to this day (yyyy-mm-dd)\n"
    "  --affiliate ID   with --history: only the lines about this affiliate\n"
    "  --backup FILE    write a backup of the whole data into FILE (.zip)\n"
    "  --restore FILE   check the backup FILE and put its data in place of the present\n"
    "  --keep-backups N keep the last N automatic backups in backups/ (1 to 1000;\n"
    "                   20 unless set)\n"
    "  --help           this text\n"
    "  --version        the program's version\n";

struct Options {
    std::optional<std::string> app, from, to, backup, restore;
    std::optional<int64_t> affiliate;
    std::optional<int> keepBackups;
    bool repair = false, history = false;
};

bool is_day(const std::string& text) {
    int y = 0, m = 0, d = 0;
    char rest = 0;
    return text.size() == 10 &&
           std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &rest) == 3 && m >= 1 &&
           m <= 12 && d >= 1 && d <= 31;
}

// A whole number from `least` to `most`, as typed.
std::optional<int64_t> whole_number(const std::string& text, long long least, long long most) {
    char* end = nullptr;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < least || n > most) return std::nullopt;
    return n;
}

// The options, checked; nothing when the program is done (after --help, or a mistake).
std::optional<Options> parse(int argc, char** argv, int& exitCode) {
    Options o;
    qdx::cli::CommandLine line("qdx-check", kUsage, qdx::cli::Wording::Arguments);
    std::optional<std::string> keepBackups, affiliate;
    line.folder(o.app);
    line.flag("repair", o.repair);
    line.flag("history", o.history);
    line.value("from", o.from);
    line.value("to", o.to);
    line.value("affiliate", affiliate);
    line.value("backup", o.backup);
    line.value("restore", o.restore);
    line.value("keep-backups", keepBackups);
    if (auto done = line.parse(argc, argv)) {
        exitCode = *done;
        return std::nullopt;
    }
    auto fail = [&](const std::string& message) {
        exitCode = line.usage_error(message);
        return std::nullopt;
    };
    if (keepBackups) {
        const auto n = whole_number(*keepBackups, 1, qdx::kMostBackupsKept);
        if (!n)
            return fail("--keep-backups takes a whole number from 1 to " +
                        std::to_string(qdx::kMostBackupsKept) + ", not " + *keepBackups);
        o.keepBackups = static_cast<int>(*n);
    }
    if (affiliate) {
        o.affiliate = whole_number(*affiliate, 1, LLONG_MAX);
        if (!o.affiliate)
            return fail("--affiliate takes an affiliate ID (a whole number from 1), not " +
                        *affiliate);
    }
    for (const auto* day : {&o.from, &o.to})
        if (*day && !is_day(**day)) return fail("a day is written yyyy-mm-dd, not " + **day);
    const int modes = int(o.repair) + int(o.history) + int(bool(o.backup)) + int(bool(o.restore)) +
                      int(bool(o.keepBackups));
    if (modes > 1)
        return fail("--repair, --history, --backup, --restore and --keep-backups go one at a time");
    if (!o.history && (o.from || o.to || o.affiliate))
        return fail("--from, --to and --affiliate go with --history");
    return o;
}

// Whether a line is about the affiliate: its own record, or a sale or
// payment whose Affiliate's ID names it.
bool names_affiliate(const qdx::HistoryLine& line, int64_t id) {
    if (line.registerName == "affiliates" && line.record == id) return true;
    const std::string n = std::to_string(id);
    for (const std::string& form : {"Affiliate's ID: " + n + ";", "Affiliate's ID: " + n + " ",
                                    "→ " + n + ";", "→ " + n + " "})
        if ((line.what + " ").find(form) != std::string::npos &&
            (form[0] == 'A' || line.what.find("Affiliate's ID") != std::string::npos))
            return true;
    return false;
}

int print_history(const std::filesystem::path& appDir, const Options& o) {
    for (const qdx::HistoryLine& line :
         qdx::parse_history(qdx::read_whole_file(qdx::history_file(appDir)))) {
        const std::string day = qdx::history_day(line);
        if (o.from && (day.empty() || day < *o.from)) continue;
        if (o.to && (day.empty() || day > *o.to)) continue;
        if (o.affiliate && !names_affiliate(line, *o.affiliate)) continue;
        if (line.time.empty()) {
            std::cout << "(not a history line) " << line.what << "\n";
            continue;
        }
        std::cout << line.time << "  " << line.user << "  " << line.program << "  ";
        if (!line.registerName.empty()) std::cout << line.registerName << " ";
        if (line.record > 0) std::cout << line.record << " ";
        std::cout << " " << line.what << (line.cut ? "  (cut short)" : "") << "\n";
    }
    return 0;
}

int run(const std::filesystem::path& appDir, const Options& o) {
    qdx::cli::TerminalProgress terminal;
    qdx::Progress& progress = terminal.progress();
    if (o.history) return print_history(appDir, o);
    if (o.keepBackups) {
        qdx::write_history(appDir, "", 0,
                           "automatic backups kept: " + std::to_string(*o.keepBackups));
        qdx::set_backups_to_keep(appDir, *o.keepBackups);
        std::cout << "The last " << *o.keepBackups << " automatic backups are kept in "
                  << (appDir / "backups").string() << ".\n";
        return 0;
    }
    if (o.backup) {
        qdx::write_history(appDir, "", 0, "backup to " + *o.backup);
        const qdx::Manifest m = qdx::write_backup(appDir, *o.backup, progress);
        std::cout << "Backed up " << m.files.size() << " files to " << *o.backup << ".\n";
        return 0;
    }
    if (o.restore) {
        const std::filesystem::path before = qdx::restore_backup(appDir, *o.restore, progress);
        std::cout << "Restored the data of " << *o.restore << "; the data before it is in "
                  << before.string() << ".\n";
        return 0;
    }
    const qdx::CheckReport report = qdx::check_data(appDir, progress);
    if (!o.repair) {
        for (const qdx::Finding& f : report.findings) std::cout << qdx::finding_line(f) << "\n";
        if (report.clean())
            std::cout << "No findings: " << report.affiliates << " affiliates, " << report.sales
                      << " sales, " << report.payments << " payments, " << report.communications
                      << " communications checked.\n";
        else
            std::cout << report.findings.size()
                      << (report.findings.size() == 1 ? " finding.\n" : " findings.\n");
        return report.clean() ? 0 : 1;
    }
    const qdx::RepairOutcome outcome = qdx::repair_data(appDir, report, progress);
    for (const std::string& line : outcome.done) std::cout << "Repaired: " << line << "\n";
    for (const qdx::Finding& f : outcome.left)
        std::cout << "Left: " << qdx::finding_line(f) << "\n";
    if (outcome.left.empty())
        std::cout << "No findings left.\n";
    else
        std::cout << outcome.left.size() << " findings are left for you to decide.\n";
    return outcome.left.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    int exitCode = 0;
    const auto options = parse(argc, argv, exitCode);
    if (!options) return exitCode;
    try {
        const std::filesystem::path appDir = qdx::cli::batch_folder(options->app);
        // The history is only read, also while Qdx works. The check reads the
        // folder as it is, so it rolls nothing back; the lock keeps Qdx off
        // it meanwhile.
        if (options->history) return run(appDir, *options);
        qdx::FolderLock lock;
        if (!lock.acquire(appDir)) {
            std::cerr << qdx::kFolderInUseMessage << "\n";
            return 1;
        }
        return run(appDir, *options);
    } catch (const std::exception& failure) {
        std::cerr << failure.what() << "\n";
        return 1;
    }
}
