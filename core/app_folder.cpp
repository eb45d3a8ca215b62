#include "core/app_folder.h"

#include <cerrno>

#include "core/files.h"
#include "core/platform/platform.h"

namespace qdx {

namespace fs = std::filesystem;

const char* const kFolderInUseMessage =
    "This application folder is in use by another Qdx. Close the other Qdx and try again.";

fs::path program_folder() {
    const fs::path exe = platform::program_path();
    if (exe.empty()) return fs::current_path();
    return exe.parent_path();
}

fs::path per_user_folder() { return platform::user_data_folder(); }

bool is_installed_copy(const fs::path& programFolder) {
    return folder_exists(programFolder.parent_path() / "share" / "qdx");
}

fs::path choose_app_folder(const fs::path& programFolder) {
    // An installed copy keeps its data apart from the programs even where it
    // could write beside them (installed under ~/.local, or run as root).
    const bool installed = is_installed_copy(programFolder);
    std::string programReason;
    if (!installed) {
        const int err = platform::check_writable(programFolder);
        if (err == 0) return programFolder;
        programReason = platform::error_text(err);
    }
    const fs::path folder = per_user_folder();
    std::error_code ec;
    if (!folder_exists(folder)) fs::create_directories(folder, ec);
    std::string reason;
    if (ec)
        reason = "cannot be created: " + ec.message();
    else if (const int err = platform::check_writable(folder); err != 0)
        reason = "cannot be written: " + platform::error_text(err);
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
    int err = file_.open(path, platform::Mode::ReadWriteCreate);
    // A lock file left by another user may be readable only; a lock on a
    // read-only opening keeps the folder just as well.
    if (err == EACCES || err == EPERM || err == EROFS) {
        if (file_.open(path, platform::Mode::Read) == 0) err = 0;
    }
    if (err != 0) {
        throw AppFolderError("The lock file " + path.string() +
                             " cannot be opened: " + platform::error_text(err) +
                             ". Without it Qdx cannot keep a second Qdx off this folder.");
    }
    err = file_.tryLock();
    if (err != 0) {
        release();
        if (err == EWOULDBLOCK) return false;
        throw AppFolderError("The lock file " + path.string() +
                             " cannot be locked: " + platform::error_text(err));
    }
    return true;
}

void FolderLock::release() { file_.close(); }

}  // namespace qdx
