#include "core/app_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/files.h"

namespace qdx {

namespace fs = std::filesystem;

const char* const kFolderInUseMessage =
    "This application folder is in use by another Qdx. Close the other Qdx and try again.";

fs::path program_folder() {
    std::error_code ec;
    auto exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path();
    return exe.parent_path();
}

fs::path per_user_folder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return fs::path(xdg) / "Qdx";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / ".local" / "share" / "Qdx";
}

bool is_installed_copy(const fs::path& programFolder) {
    return folder_exists(programFolder.parent_path() / "share" / "qdx");
}

fs::path choose_app_folder(const fs::path& programFolder) {
    // An installed copy keeps its data apart from the programs even where it
    // could write beside them (installed under ~/.local, or run as root).
    const bool installed = is_installed_copy(programFolder);
    std::string programReason;
    if (!installed) {
        if (::access(programFolder.c_str(), W_OK) == 0) return programFolder;
        programReason = std::strerror(errno);
    }
    const fs::path folder = per_user_folder();
    std::error_code ec;
    if (!folder_exists(folder)) fs::create_directories(folder, ec);
    std::string reason;
    if (ec)
        reason = "cannot be created: " + ec.message();
    else if (::access(folder.c_str(), W_OK) != 0)
        reason = "cannot be written: " + std::string(std::strerror(errno));
    else
        return folder;
    std::string message = "Qdx has no folder to keep its data in: ";
    if (installed)
        message += "an installed Qdx keeps it in " + folder.string() + ", which " + reason + ".";
    else
        message += "the program folder " + programFolder.string() + " cannot be written (" +
                   programReason + "), and the per-user folder " + folder.string() + " " + reason +
                   ".";
    throw AppFolderError(message);
}

FolderLock::~FolderLock() { release(); }

bool FolderLock::acquire(const fs::path& appDir) {
    release();
    const auto path = appDir / ".qdx.lock";
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    int err = errno;
    // A lock file left by another user may be readable only; a lock on a
    // read-only opening keeps the folder just as well.
    if (fd_ < 0 && (err == EACCES || err == EPERM || err == EROFS))
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        throw AppFolderError("The lock file " + path.string() +
                             " cannot be opened: " + std::strerror(err) +
                             ". Without it Qdx cannot keep a second Qdx off this folder.");
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        err = errno;
        release();
        if (err == EWOULDBLOCK) return false;
        throw AppFolderError("The lock file " + path.string() +
                             " cannot be locked: " + std::strerror(err));
    }
    return true;
}

void FolderLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace qdx
