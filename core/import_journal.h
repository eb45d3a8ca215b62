#pragma once
// An import's records and its line in the import ledger land together or
// not at all. Before anything is written, the import notes in
// data/.imports.ledger.qdx-pending which records it appends, a hash of their
// bytes and the ledger line; once the line is in the ledger the note goes.
// A note found at the next start is finished: records that are on disk get
// their ledger line, records that are not have their side files removed.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qdx {

struct PendingImport {
    std::string registerFile;  // the register's file name in the data folder
    size_t recordLength = 0;
    int64_t first = 0, rows = 0;  // the records appended
    std::string recordsHash;      // records_hash of their bytes
    std::string sidePrefix;       // their side files in addinfo/: "<prefix><N>.txt"
    std::string ledgerLine;       // without its line end
};

// The hash of appended records' bytes, in hexadecimal.
std::string records_hash(std::string_view bytes);

std::filesystem::path pending_import_file(const std::filesystem::path& dataDir);

// Writes the note, synced. Throws FileError.
void write_pending_import(const std::filesystem::path& dataDir, const PendingImport& pending);
// The records landed: adds the ledger line unless the ledger holds it, and
// removes the note. Throws FileError; the note then stays.
void complete_pending_import(const std::filesystem::path& dataDir, const PendingImport& pending);
// The records did not land: removes the note.
void cancel_pending_import(const std::filesystem::path& dataDir);
// Finishes a note left by an import that did not: completes it when its
// records are on disk, else removes their side files (those past the end of
// the register) and the note. Throws FileError.
void recover_pending_import(const std::filesystem::path& dataDir);

}  // namespace qdx
