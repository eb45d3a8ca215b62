#include "core/app_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "core/files.h"

namespace qdx {

const char* const kFolderInUseMessage =
    "This application folder is in use by another Qdx. Close the other Qdx and try again.";

std::filesystem::path program_folder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path();
    return exe.parent_path();
}

std::filesystem::path per_user_folder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::filesystem::path(xdg) / "Qdx";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/tmp") / ".local" / "share" / "Qdx";
}

std::filesystem::path choose_app_folder(const std::filesystem::path& programFolder) {
    if (::access(programFolder.c_str(), W_OK) == 0) return programFolder;
    auto folder = per_user_folder();
    ensure_folder(folder);
    return folder;
}

FolderLock::~FolderLock() { release(); }

bool FolderLock::acquire(const std::filesystem::path& appDir) {
    release();
    auto path = appDir / ".qdx.lock";
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return true;  // a read-only folder: nothing can interleave there
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

void FolderLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace qdx
