#pragma once
// The checks of one imported row, per register: the row's cells put in the
// window's boxes and passed through the window's save checks; a row that
// passes becomes its record, encoded, and its side texts.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/csv.h"
#include "core/payee_file.h"
#include "registers/import/csv_import.h"
#include "registers/import/import_columns.h"

namespace qdx {

// What one pass over an imported file found and would write.
struct ImportPass {
    ImportPlan plan;
    int64_t firstRecord = 1;  // the number the first row that passes gets
    size_t recordLength = 0;
    std::vector<uint8_t> records;  // the rows that pass, encoded, in file order
    std::vector<std::pair<std::filesystem::path, std::string>> sideFiles;
    // Affiliates: the payment details given, by record number, written to
    // data/payees.qdx once the records are in.
    std::vector<std::pair<int32_t, PayeeDetails>> payees;
    std::vector<std::string> headerRow;              // as the file has it
    std::vector<std::vector<std::string>> rejected;  // with `partial`: bad rows, then the reason
    uint64_t size = 0;
    std::string hash;
    ImportProblem lastProblem;  // also when it is past the first 100
    // The registers the checks read, as they were when the pass began: size
    // and time of the last change of the register and of the affiliates.
    std::vector<std::pair<uintmax_t, std::filesystem::file_time_type>> registers;

    void addProblem(int64_t line, std::string column, std::string message, bool utf8 = false);
};

class RowChecks {
  public:
    virtual ~RowChecks() = default;
    // Checks a row with as many cells as the header, adding every problem it
    // has to the pass; when it passes and is not `refused` already, adds its
    // record (number firstRecord + plan.rows) to the pass and answers true.
    virtual bool take(const csv::Record& row, ImportPass& pass, bool refused) = 0;
};

// The date as it goes into the date box: with ISO dates only yyyy-mm-dd is
// let through, so that any other form fails the date check at its place.
std::string date_box(const std::string& cell, ImportDates dates);

std::unique_ptr<RowChecks> money_checks(const AppState& state, ImportKind kind,
                                        const ColumnMap& columns, const ImportOptions& options);
// Reads the sales and the refunds so far once; with an order column, also
// every sale's details once.
std::unique_ptr<RowChecks> refund_checks(const AppState& state, const ColumnMap& columns,
                                         const ImportOptions& options);
// Works on a copy of the affiliates file, so that a referrer earlier in the
// same file is found like one already registered.
std::unique_ptr<RowChecks> affiliate_checks(const AppState& state, const ColumnMap& columns,
                                            const ImportOptions& options);

// A text cell as the register keeps it: the apostrophe a CSV export puts
// before a text that starts like a formula (=, +, -, @, tab, CR) taken off.
std::string unguarded(const std::string& cell);

// The columns of the preview.
std::vector<std::string> money_preview_header();
std::vector<std::string> affiliate_preview_header();
std::vector<std::string> refund_preview_header();

constexpr size_t kPreviewRows = 20;
constexpr size_t kProblemsKept = 100;

}  // namespace qdx
