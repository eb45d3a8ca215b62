#pragma once
// Records brought into a register from a CSV file: every row passes the
// checks its window makes on a save, in the same order and wording; then all
// rows are appended in file order in one append (all or none), their side
// files written as the windows write them. A ledger in data/ remembers each
// imported file, so that the same file is not imported twice by mistake.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/progress.h"

namespace qdx {

enum class ImportKind { Sales, Payments, Affiliates, Refunds };

struct ImportPass;  // the rows as checked, encoded

enum class ImportDates { Iso, Regional };  // yyyy-mm-dd, or the regional short form

struct ImportOptions {
    char delimiter = 0;  // ',', ';' or '\t'; 0: found from the header line
    ImportDates dates = ImportDates::Iso;
    bool partial = false;  // import the good rows, the bad ones to <file>.rejected.csv
    bool force = false;    // import a file the ledger already knows
    // Keep characters the record files cannot hold as their nearest Latin
    // letters (ś as s); without it a text holding them is a problem.
    bool latin = false;
};

// A row that cannot be imported as it stands: its line, the column, and the
// message its window would show, with the value and what was expected (or a
// clear one about the file). Windows-1252, or UTF-8 when `utf8` is set (a
// message that quotes characters the code page lacks).
struct ImportProblem {
    int64_t line = 0;
    std::string column;
    std::string message;
    bool utf8 = false;
};

// What reading and checking a file found; nothing has been written yet.
struct ImportPlan {
    ImportKind kind = ImportKind::Sales;
    std::filesystem::path file;
    ImportOptions options;
    char delimiter = ',';             // the one the file was read with
    bool delimiterFound = false;      // found from the header line, none being asked for
    int64_t unkeptLines = 0;          // lines with characters the files cannot keep
    int64_t rows = 0;                 // data rows that pass
    double totalSum = 0;              // sales and payments: the sum of the rows that pass
    std::vector<std::string> header;  // the register's columns, as stored
    std::vector<std::vector<std::string>> preview;  // the first rows as they will be stored
    std::vector<ImportProblem> problems;            // the first 100
    int64_t problemCount = 0;                       // all of them
    std::vector<std::string> ignoredColumns;
    std::vector<ImportProblem> warnings;  // texts cut to their field, as the window cuts them
    // Set when the ledger knows this file: "this file was imported on <date>: N records".
    std::optional<std::string> alreadyImported;

    // The checked rows, kept so that run_import need not check them again
    // while the file and the registers stay as they were.
    std::shared_ptr<const ImportPass> checked;

    // Whether running it would write anything.
    bool importable() const;
};

// Reads and checks the file, telling `progress` how many of its lines are
// checked. Throws FileError when it cannot be read, Cancelled when a stop
// was asked for.
ImportPlan plan_import(const AppState& state, ImportKind kind, const std::filesystem::path& file,
                       const ImportOptions& options, Progress& progress);
inline ImportPlan plan_import(const AppState& state, ImportKind kind,
                              const std::filesystem::path& file, const ImportOptions& options) {
    Progress none;
    return plan_import(state, kind, file, options, none);
}

struct ImportResult {
    int64_t firstRecord = 0;  // the number of the first record written
    int64_t records = 0;
    std::optional<std::filesystem::path> rejected;  // with `partial`: the bad rows
    // What failed after the records landed, and what is left to do about it.
    std::vector<std::string> leftToDo;
};

// Writes what `plan` holds (checked again against the files as they are now):
// all of it or, on any failure, nothing. The records and their ledger line
// land together (core/import_journal.h): once the records are in, whatever
// fails after them is in `leftToDo`, not thrown. Throws FileError or
// ImportRefused.
ImportResult run_import(const AppState& state, const ImportPlan& plan, Progress& progress);
inline ImportResult run_import(const AppState& state, const ImportPlan& plan) {
    Progress none;
    return run_import(state, plan, none);
}

struct ImportRefused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace qdx

namespace qdx::detail {
// Called after each write step of run_import (1 the note of what it appends,
// 2 the side files, 3 the records, 4 the ledger line); tests stop it there.
extern void (*import_step)(int step);
}  // namespace qdx::detail
