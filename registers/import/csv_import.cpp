#include "registers/import/csv_import.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

#include "core/atomic_file.h"
#include "core/corrections.h"
#include "core/cp1252.h"
#include "core/csv.h"
#include "core/csv_values.h"
#include "core/downline_cache.h"
#include "core/files.h"
#include "core/history.h"
#include "core/import_journal.h"
#include "core/latin_letters.h"
#include "core/payee_file.h"
#include "core/record_append.h"
#include "core/record_file.h"
#include "core/records.h"
#include "registers/import/import_ledger.h"
#include "registers/import/import_rows.h"
#include "registers/side_files.h"

namespace qdx {

namespace detail {
void (*import_step)(int step) = [](int) {};
}

namespace fs = std::filesystem;

bool ImportPlan::importable() const {
    // Bad affiliate rows cannot be left out: the IDs of the rows after them,
    // which later rows may name as referrers, would change.
    const bool partialAllowed = options.partial && kind != ImportKind::Affiliates;
    return rows > 0 && !alreadyImported && (problemCount == 0 || partialAllowed);
}

namespace {

const char* register_name(ImportKind kind) {
    switch (kind) {
        case ImportKind::Sales:
            return "sales";
        case ImportKind::Payments:
            return "payments";
        case ImportKind::Refunds:
            return "refunds";
        default:
            return "affiliates";
    }
}

const char* data_file(ImportKind kind) {
    switch (kind) {
        case ImportKind::Sales:
            return file::kSales;
        case ImportKind::Payments:
            return file::kPayments;
        case ImportKind::Refunds:
            return file::kRefunds;
        default:
            return file::kAffiliates;
    }
}

size_t record_length(ImportKind kind) {
    return kind == ImportKind::Affiliates ? AffiliateRecord::kSize : MoneyRecord::kSize;
}

std::string read_import_file(const fs::path& path) {
    std::error_code error;
    if (fs::is_directory(path, error))
        throw FileError(path.string() + " is a folder, not a file: choose the CSV file in it.");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError("The file " + path.string() + " cannot be read.");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw FileError("The file " + path.string() + " cannot be read to its end.");
    return bytes;
}

// Size and time of the last change of the files a pass reads besides the
// import file; a file that is not there counts as empty.
std::vector<std::pair<uintmax_t, fs::file_time_type>> registers_now(const AppState& state,
                                                                    ImportKind kind) {
    std::vector<std::pair<uintmax_t, fs::file_time_type>> now;
    for (const char* name : {data_file(kind), file::kAffiliates, file::kSales}) {
        std::error_code error;
        const fs::path path = state.dataFile(name);
        const uintmax_t size = fs::file_size(path, error);
        now.emplace_back(error ? 0 : size,
                         error ? fs::file_time_type() : fs::last_write_time(path, error));
    }
    return now;
}

bool same_options(const ImportOptions& a, const ImportOptions& b) {
    return a.delimiter == b.delimiter && a.dates == b.dates && a.partial == b.partial &&
           a.force == b.force && a.latin == b.latin;
}

// Whether a pass still holds what checking the file again would give: the
// same options, the same bytes, the registers unchanged since.
bool still_as_checked(const AppState& state, const ImportPlan& plan, const ImportPass& pass) {
    if (!same_options(plan.options, pass.plan.options) || plan.file != pass.plan.file ||
        plan.kind != pass.plan.kind || registers_now(state, plan.kind) != pass.registers)
        return false;
    const std::string bytes = read_import_file(plan.file);
    return bytes.size() == pass.size && file_hash(bytes) == pass.hash;
}

std::string letters(const std::u32string& chars) {
    std::string out;
    for (char32_t c : chars) {
        if (!out.empty()) out += ", ";
        std::string one;
        append_utf8(one, c);
        out += "\"" + one + "\"";
        if (auto latin = nearest_latin(c); latin && !latin->empty()) out += " \u2192 " + *latin;
    }
    return out;
}

// Fields of the row holding characters Windows-1252 lacks, in the columns
// the import reads: with `latin` kept as their nearest letters (a warning
// each), otherwise a problem each. Answers whether the row can be kept.
bool keep_letters(const csv::Record& row, const ColumnMap& columns, bool latin, ImportPass& pass) {
    bool keep = true;
    bool counted = false;
    for (const csv::Unkept& u : row.unkept) {
        if (!columns.uses(u.field)) continue;
        if (!counted) ++pass.plan.unkeptLines;
        counted = true;
        const std::string& column = columns.title_at(u.field);
        std::string text = "\"" + u.utf8 + "\" holds ";
        if (!u.fitted.replaced.empty())
            text += letters(u.fitted.replaced) + (u.fitted.unknown.empty() ? "" : " and ");
        if (!u.fitted.unknown.empty())
            text += letters(u.fitted.unknown) + " (no nearest letters: kept as \"?\")";
        text += ", which the files cannot keep (Windows-1252); the nearest Latin letters give \"" +
                u.fitted.text + "\"";
        if (latin) {
            pass.plan.warnings.push_back({row.line, column, text + ", as it is kept", true});
        } else {
            pass.addProblem(row.line, column, text, true);
            keep = false;
        }
    }
    return keep;
}

ImportPass make_pass(const AppState& state, ImportKind kind, const fs::path& file,
                     const ImportOptions& options, Progress& progress) {
    // An earlier import of this run whose ledger line could not be written
    // gets it now, before the ledger is asked about this file.
    recover_pending_import(state.dataDir());
    ImportPass pass;
    pass.registers = registers_now(state, kind);
    pass.plan.kind = kind;
    pass.plan.file = file;
    pass.plan.options = options;
    pass.recordLength = record_length(kind);
    pass.plan.header = kind == ImportKind::Affiliates ? affiliate_preview_header()
                       : kind == ImportKind::Refunds  ? refund_preview_header()
                                                      : money_preview_header();

    const std::string bytes = read_import_file(file);
    pass.size = bytes.size();
    pass.hash = file_hash(bytes);
    if (!options.force) {
        if (auto earlier = find_in_ledger(state, pass.size, pass.hash, register_name(kind))) {
            pass.plan.alreadyImported = "this file was imported on " + earlier->date + ": " +
                                        std::to_string(earlier->last - earlier->first + 1) +
                                        " records";
        }
    }
    const fs::path data = state.dataFile(data_file(kind));
    if (file_exists(data))
        pass.firstRecord = record_count_for(fs::file_size(data), pass.recordLength) + 1;

    const int64_t lines = std::count(bytes.begin(), bytes.end(), '\n') + 1;
    progress.stage("Checking the file", lines, "lines");
    std::optional<ColumnMap> columns;
    std::unique_ptr<RowChecks> checks;
    int64_t dataRows = 0, lastLine = 0;
    const auto reject = [&](const csv::Record& row) {
        if (!options.partial) return;
        std::vector<std::string> cells = row.fields;
        const ImportProblem& p = pass.lastProblem;
        const std::string message = p.utf8 ? utf8_to_cp1252(p.message) : p.message;
        cells.push_back(p.column.empty() ? message : p.column + ": " + message);
        pass.rejected.push_back(std::move(cells));
    };
    pass.plan.delimiterFound = options.delimiter == 0;
    pass.plan.delimiter = options.delimiter ? options.delimiter : csv::find_delimiter(bytes);
    try {
        pass.plan.delimiter = csv::read(bytes, options.delimiter, [&](csv::Record&& row) {
            lastLine = row.line;
            if (!columns) {
                std::vector<std::string> problems;
                columns.emplace(kind == ImportKind::Affiliates ? affiliate_columns()
                                : kind == ImportKind::Refunds  ? refund_columns()
                                                               : money_columns(),
                                row.fields, problems);
                if (kind == ImportKind::Refunds && problems.empty() && !columns->has(Field::Sale) &&
                    !columns->has(Field::Order))
                    problems.push_back(
                        "the header has no column \"sale\" (the sale's record number) or "
                        "\"order\" (a text the sale's details hold)");
                for (const std::string& p : problems) pass.addProblem(row.line, "", p);
                if (!problems.empty()) return false;  // no row can be read without its columns
                pass.headerRow = row.fields;
                pass.plan.ignoredColumns = columns->ignored();
                checks = kind == ImportKind::Affiliates ? affiliate_checks(state, *columns, options)
                         : kind == ImportKind::Refunds
                             ? refund_checks(state, *columns, options)
                             : money_checks(state, kind, *columns, options);
                return true;
            }
            ++dataRows;
            const bool refused = !keep_letters(row, *columns, options.latin, pass);
            if (row.fields.size() != pass.headerRow.size()) {
                pass.addProblem(row.line, "",
                                std::to_string(row.fields.size()) +
                                    " fields where the header has " +
                                    std::to_string(pass.headerRow.size()));
                reject(row);
            } else if (checks->take(row, pass, refused)) {
                ++pass.plan.rows;
            } else {
                reject(row);
            }
            progress.step(row.line);
            return true;
        });
    } catch (const csv::Error& error) {
        pass.addProblem(error.line, "", error.what());
        // The rest of the file is unknown: nothing of it is imported.
        pass.plan.rows = 0;
        pass.plan.totalSum = 0;
        pass.plan.preview.clear();
        pass.records.clear();
        pass.sideFiles.clear();
        pass.payees.clear();
        return pass;
    }
    if (!columns) {
        pass.addProblem(1, "", "the file is empty");
    } else if (checks && dataRows == 0) {
        pass.addProblem(lastLine + 1, "", "the file holds no rows below its header");
    }
    progress.step(lines);
    return pass;
}

// Side files of record numbers past the end of the register belong to no
// record (an import killed after writing them); a new record must not show
// them as its own.
void remove_stale_side_files(const fs::path& folder, const std::string& prefix, int64_t first,
                             int64_t last) {
    if (!folder_exists(folder)) return;
    const FolderListing listing(folder);
    for (int64_t n = first; n <= last; ++n) {
        const std::string name = side_file_name(prefix, n);
        if (listing.contains(name)) remove_if_exists(folder / name);
    }
}

void write_rejected(const ImportPass& pass, const fs::path& to) {
    AtomicFile out(to);
    out.write("\xEF\xBB\xBF");  // spreadsheets then read it as UTF-8
    std::vector<std::string> header = pass.headerRow;
    header.push_back("problem");
    out.write(csv::line(header, pass.plan.delimiter));
    for (const auto& row : pass.rejected) out.write(csv::line(row, pass.plan.delimiter));
    out.commit();
}

}  // namespace

ImportPlan plan_import(const AppState& state, ImportKind kind, const fs::path& file,
                       const ImportOptions& options, Progress& progress) {
    auto pass = std::make_shared<ImportPass>(make_pass(state, kind, file, options, progress));
    ImportPlan plan = pass->plan;
    plan.checked = std::move(pass);
    return plan;
}

ImportResult run_import(const AppState& state, const ImportPlan& plan, Progress& progress) {
    // One note of what is appended at a time: an earlier one is finished first.
    recover_pending_import(state.dataDir());
    std::shared_ptr<const ImportPass> kept = plan.checked;
    if (!kept || !still_as_checked(state, plan, *kept))
        kept = std::make_shared<ImportPass>(
            make_pass(state, plan.kind, plan.file, plan.options, progress));
    const ImportPass& pass = *kept;
    const ImportPlan& now = pass.plan;
    if (now.alreadyImported) throw ImportRefused(*now.alreadyImported);
    if (now.rows != plan.rows || now.problemCount != plan.problemCount)
        throw ImportRefused("The file or the registers changed since the file was checked.");
    if (!now.importable()) {
        if (!now.problems.empty()) {
            const ImportProblem& p = now.problems.front();
            throw ImportRefused("line " + std::to_string(p.line) + ": " + p.message);
        }
        throw ImportRefused("The file holds nothing to import.");
    }

    const fs::path data = state.dataFile(data_file(plan.kind));
    ensure_folder(state.dataDir());
    if (!file_exists(data)) write_file_atomically(data, "");
    const int64_t first = pass.firstRecord, last = first + now.rows - 1;

    // The windows make addinfo on every save of a sale or payment.
    const fs::path addinfo = state.appDir / "addinfo";
    if (plan.kind != ImportKind::Affiliates) ensure_folder(addinfo);
    const std::string prefix = plan.kind == ImportKind::Sales      ? "s"
                               : plan.kind == ImportKind::Payments ? "p"
                               : plan.kind == ImportKind::Refunds  ? "r"
                                                                   : "";
    check_history_writable(state.appDir);
    remove_stale_side_files(addinfo, prefix, first, last);
    PendingImport pending;
    pending.registerFile = data.filename().string();
    pending.recordLength = pass.recordLength;
    pending.first = first;
    pending.rows = now.rows;
    pending.recordsHash = records_hash(
        std::string_view(reinterpret_cast<const char*>(pass.records.data()), pass.records.size()));
    pending.sidePrefix = prefix;
    pending.ledgerLine = ledger_line(
        {pass.size, pass.hash, csv_date(state.today()), register_name(plan.kind), first, last});
    write_pending_import(state.dataDir(), pending);
    detail::import_step(1);
    std::vector<fs::path> written;
    try {
        for (const auto& [path, text] : pass.sideFiles) {
            write_side_file_unsynced(path, text);
            written.push_back(path);
        }
        if (!written.empty()) sync_filesystem(addinfo);
        detail::import_step(2);
        append_records(data, pass.recordLength, pass.records.data(), static_cast<size_t>(now.rows));
    } catch (const PartialAppendError&) {
        // The register may hold part of the records: the next start cuts it
        // back, then finds the note and removes the side files.
        throw;
    } catch (...) {
        for (const fs::path& path : written) {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
        try {
            cancel_pending_import(state.dataDir());
        } catch (const std::exception&) {
            // The next start finds the records not there and removes the note.
        }
        throw;
    }
    detail::import_step(3);

    ImportResult result;
    result.firstRecord = first;
    result.records = now.rows;
    // The payment details follow the records they belong to: stopped before
    // them, the new affiliates are there without a payment method, never
    // details without their affiliate.
    if (!pass.payees.empty()) {
        try {
            PayeeFile(payee_file_path(state)).write(pass.payees);
        } catch (const std::exception& error) {
            result.leftToDo.push_back(std::string("The payment details could not be written (") +
                                      error.what() + "); type them in the Affiliates window.");
        }
    }
    try {
        complete_pending_import(state.dataDir(), pending);
        detail::import_step(4);
    } catch (const std::exception& error) {
        result.leftToDo.push_back(
            std::string("The import ledger could not be written (") + error.what() +
            "). Qdx, qdx-import or qdx-report writes its line at their next start; until then "
            "the file is not imported again.");
    }
    // Written once the records are in: a stopped import leaves no line.
    try {
        write_history(state.appDir, register_name(plan.kind), first,
                      "import of " + plan.file.string() + ": records " + std::to_string(first) +
                          " to " + std::to_string(last));
    } catch (const std::exception& error) {
        result.leftToDo.push_back(std::string("The history could not take the import's line (") +
                                  error.what() + ").");
    }
    if (!pass.rejected.empty()) {
        const fs::path rejected(plan.file.string() + ".rejected.csv");
        try {
            write_rejected(pass, rejected);
            result.rejected = rejected;
        } catch (const std::exception& error) {
            result.leftToDo.push_back("The rows left out could not be written to " +
                                      rejected.string() + " (" + error.what() +
                                      "); check the file again with --dry-run to list them.");
        }
    }
    // A cache in use is brought up to date now; one never built is left to
    // the downline report, which builds it when first asked.
    if (plan.kind == ImportKind::Affiliates && read_downline_counter(state)) {
        try {
            refresh_downline_cache(state);
        } catch (const std::exception&) {
            // The downline report checks the cache again before it reads it.
        }
    }
    return result;
}

}  // namespace qdx
