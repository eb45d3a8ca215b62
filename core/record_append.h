#pragma once
// Appending several records to a register so that they all land or none do,
// even when the program is killed halfway or the machine stops. Before the
// records are written, the file's length is noted in a journal beside it,
// ".<name>.qdx-append", and synced; the journal is removed once the records
// are on disk. A journal found later means an append that never finished:
// the file is cut back to the noted length.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "core/platform/platform.h"
#include "core/record_file.h"

namespace qdx {

// The rollback of a failed append could not cut the file back: it may hold
// part of the records. The journal stays, so the next start cuts it back.
struct PartialAppendError : FileError {
    using FileError::FileError;
};

// Writes `count` records of `recordLength` bytes from `bytes` as records
// count + 1 onwards of the existing file at `path`, in one write. Returns the
// number of the first record written. Throws FileError with the file as it
// was, or PartialAppendError.
int64_t append_records(const std::filesystem::path& path, size_t recordLength, const uint8_t* bytes,
                       size_t count);

// Finishes what an interrupted append left beside `path`: cuts the file back
// and removes the journal. A journal of another program that is still running
// is left alone unless `evenIfRunning` (the caller holds the folder).
// Throws FileError when the file cannot be cut back.
void recover_interrupted_append(const std::filesystem::path& path, bool evenIfRunning = false);
// The same for every register of a folder, and an import that did not
// finish (core/import_journal.h); at program start.
void recover_interrupted_appends(const std::filesystem::path& folder);

}  // namespace qdx

namespace qdx::detail {
// How a failed append's rollback cuts the file back: 0 or the error (errno
// value); tests make it fail.
extern int (*cut_back)(platform::File& file, uint64_t length);
}  // namespace qdx::detail
