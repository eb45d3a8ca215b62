#pragma once
// Where the program keeps its data: the folder that holds the program, or,
// when that folder is not writable (an installed copy), the per-user
// application data folder.
#include <filesystem>
#include <string>

namespace qdx {

std::filesystem::path program_folder();
std::filesystem::path per_user_folder();  // $XDG_DATA_HOME/Qdx or ~/.local/share/Qdx
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
    // False when another process holds the folder.
    bool acquire(const std::filesystem::path& appDir);
    void release();

private:
    int fd_ = -1;
};

extern const char* const kFolderInUseMessage;

}  // namespace qdx
