#pragma once
// Records appended to a register and their line in a ledger beside it land
// together or not at all. Before anything is written, the writer notes in
// data/.<ledger>.qdx-pending which records it appends, a hash of their
// bytes and the ledger line; once the line is in the ledger the note goes.
// A note found at the next start is finished: records that are on disk get
// their ledger line, records that are not have their side files removed.
// Imports keep data/imports.ledger; payment runs and their reversals
// data/payment-runs.ledger (core/payment_runs.h).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qdx {

struct PendingImport {
    std::string registerFile;  // the register's file name in the data folder
    size_t recordLength = 0;
    int64_t first = 0, rows = 0;  // the records appended
    std::string recordsHash;      // records_hash of their bytes
    // Their side files in addinfo/: "<prefix><N>.txt" (affiliates: ""); none
    // at all when not set.
    std::optional<std::string> sidePrefix = std::string();
    std::string ledgerLine;  // without its line end
};

constexpr const char* kImportsLedger = "imports.ledger";

// The hash of appended records' bytes, in hexadecimal.
std::string records_hash(std::string_view bytes);

// The note beside `ledger` (a file name in the data folder).
std::filesystem::path pending_import_file(const std::filesystem::path& dataDir,
                                          std::string_view ledger = kImportsLedger);

// Writes the note, synced. Throws FileError.
void write_pending_import(const std::filesystem::path& dataDir, const PendingImport& pending,
                          std::string_view ledger = kImportsLedger);
// The records landed: adds the ledger line unless the ledger holds it, and
// removes the note. Throws FileError; the note then stays.
void complete_pending_import(const std::filesystem::path& dataDir, const PendingImport& pending,
                             std::string_view ledger = kImportsLedger);
// The records did not land: removes the note.
void cancel_pending_import(const std::filesystem::path& dataDir,
                           std::string_view ledger = kImportsLedger);
// Finishes a note left by a writer that did not: completes it when its
// records are on disk, else removes their side files (those past the end of
// the register) and the note. Throws FileError.
void recover_pending_import(const std::filesystem::path& dataDir,
                            std::string_view ledger = kImportsLedger);

}  // namespace qdx
