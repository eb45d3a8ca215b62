// Backups in a build made without libzip and Nettle (Windows, where Debian
// has neither): every backup is refused, so that a step that backs up the
// data first (an import, a repair, registered payments) writes nothing.
#include "safety/backup.h"

namespace qdx {

namespace fs = std::filesystem;

namespace {
[[noreturn]] void refuse(std::string_view action, const fs::path& path) {
    throw FileError(action, path,
                    "this build of Qdx has no backup archives (it was made without libzip and "
                    "Nettle)");
}
}  // namespace

Manifest write_backup(const fs::path&, const fs::path& zip, Progress&) {
    refuse("back up the data to", zip);
}

int backups_to_keep(const fs::path& appDir) { refuse("keep backups in", appDir / "backups"); }

void set_backups_to_keep(const fs::path& appDir, int) {
    refuse("keep backups in", appDir / "backups");
}

fs::path automatic_backup(const fs::path& appDir, std::string_view, Progress&) {
    refuse("back up the data to", appDir / "backups");
}

Manifest verify_backup(const fs::path& zip, Progress&) { refuse("check the backup", zip); }

// Without archives no restore was ever begun.
bool finish_interrupted_restore(const fs::path&) { return false; }

fs::path restore_backup(const fs::path&, const fs::path& zip, Progress&) {
    refuse("restore the backup", zip);
}

}  // namespace qdx
