#pragma once
// A file replaced as a whole. Its bytes go to a temporary file beside it,
// named ".<name>.qdx-tmp-<pid>", which commit() flushes to disk and renames
// over the target; the folder is then synced so that the rename lasts too.
// Without a commit the temporary file is removed and the target is left as
// it was. Temporary files left by a killed program are removed by the next
// program that writes into the same folder.
// A target that is a symbolic link is written through: the temporary file
// goes beside the file the link leads to and replaces that one, and the link
// stays. A target that is something else than a regular file (a device, a
// fifo, a folder) is refused with a FileError naming it, and left alone.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/platform/platform.h"

namespace qdx {

class AtomicFile {
  public:
    // Each file is synced at its commit; `Later` leaves that to one
    // sync_filesystem() after a batch of many small files.
    enum class Sync { EachFile, Later };

    explicit AtomicFile(std::filesystem::path target, Sync sync = Sync::EachFile);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::string_view bytes);
    void write(const void* data, size_t size) {
        write(std::string_view(static_cast<const char*>(data), size));
    }
    // For writers that open the file by name themselves (the PDF printer);
    // what they write there is committed like the rest.
    const std::filesystem::path& temporaryPath() const { return temp_; }
    // Throws FileError; the target is unchanged when it does.
    void commit();

  private:
    void flush();
    std::filesystem::path given_, target_, temp_;
    std::string pending_;
    platform::File file_;
    Sync sync_;
    bool committed_ = false;
};

// Flushes the file system that holds `path` (after a batch of Sync::Later
// files); throws FileError.
void sync_filesystem(const std::filesystem::path& path);
// Flushes a folder's entries (a rename or removal in it); throws FileError.
void sync_folder(const std::filesystem::path& folder);

}  // namespace qdx
