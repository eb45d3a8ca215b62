#pragma once
// Backups of the whole data of an application folder (data/ with the
// registers, settings, ledger, history and downline cache; addinfo/ and
// comm/ with the side texts) in one .zip that any archive program opens,
// with a manifest "qdx-backup.manifest" of every file's size and SHA-256.
// A restore checks the archive against its manifest, unpacks it beside the
// data, backs up the present data and then puts the unpacked set in place.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/progress.h"
#include "core/record_file.h"

namespace qdx {

// An archive that is not a whole Qdx backup; nothing was changed.
struct BackupRefused : FileError {
    using FileError::FileError;
};

struct ManifestEntry {
    std::string path;  // relative, with '/'
    uint64_t size = 0;
    std::string sha256;  // 64 lowercase hex digits
};

struct Manifest {
    std::string created;  // the time with its UTC offset
    std::vector<ManifestEntry> files;
};

inline constexpr const char* kManifestName = "qdx-backup.manifest";
std::string manifest_text(const Manifest& manifest);
// Nothing, with the reason in `error`, when the text is not a manifest or
// names a path outside the backed-up folders.
std::optional<Manifest> parse_manifest(std::string_view text, std::string& error);

// The SHA-256 of bytes, in hex.
std::string sha256_hex(std::string_view bytes);

// Writes the backup to `zip`; on any failure (a full disk) no archive is
// left. Throws FileError, or Cancelled.
Manifest write_backup(const std::filesystem::path& appDir, const std::filesystem::path& zip,
                      Progress& progress);

// How many automatic backups backups/ keeps: the whole number (1 to 1000)
// that data/backups_kept.txt holds, 20 without the file. Throws FileError,
// naming the file, when it holds anything else.
int backups_to_keep(const std::filesystem::path& appDir);
inline constexpr int kMostBackupsKept = 1000;
// Writes that number. Throws FileError.
void set_backups_to_keep(const std::filesystem::path& appDir, int count);

// A backup into backups/ named after the time and `why` ("repair",
// "restore", "import", "payments"); the oldest beyond backups_to_keep are
// removed.
std::filesystem::path automatic_backup(const std::filesystem::path& appDir, std::string_view why,
                                       Progress& progress);

// The manifest of an archive after every file was checked against it.
// Throws BackupRefused.
Manifest verify_backup(const std::filesystem::path& zip, Progress& progress);

// Restores `zip` over the folder's data: checked, unpacked beside, the
// present data backed up (returned), then replaced. Throws BackupRefused or
// FileError with the data as it was.
std::filesystem::path restore_backup(const std::filesystem::path& appDir,
                                     const std::filesystem::path& zip, Progress& progress);

// Puts in place a restore that was stopped between its renames; true when
// there was one.
bool finish_interrupted_restore(const std::filesystem::path& appDir);

}  // namespace qdx
