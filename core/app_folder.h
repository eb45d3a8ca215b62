#pragma once
// Where the program keeps its data: the folder that holds the program, or,
// for an installed copy or a program folder that is not writable, the
// per-user application data folder.
#include <filesystem>
#include <stdexcept>
#include <string>

#include "core/platform/platform.h"

namespace qdx {

// No folder could be found, or the lock could not be taken, for a reason
// the message gives; the program cannot go on.
struct AppFolderError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::filesystem::path program_folder();
std::filesystem::path per_user_folder();  // $XDG_DATA_HOME/Qdx or ~/.local/share/Qdx
// An installed copy: the program lies beside ../share/qdx, where the
// installation puts the help pages.
bool is_installed_copy(const std::filesystem::path& programFolder);
// The program folder when it is a writable build; otherwise the per-user
// folder, created when missing. Throws AppFolderError naming the folders tried.
std::filesystem::path choose_app_folder(const std::filesystem::path& programFolder);

// Keeps a second Qdx off the same application folder: two programs appending
// to the same record files would interleave their records. The lock is held
// by the open file, so one left by a crashed program does not block.
class FolderLock {
  public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    // False when another process holds the folder. Throws AppFolderError,
    // naming the lock file, when the lock cannot be taken at all: the
    // program must not work on the folder unguarded.
    bool acquire(const std::filesystem::path& appDir);
    void release();

  private:
    platform::File file_;
};

extern const char* const kFolderInUseMessage;

}  // namespace qdx
