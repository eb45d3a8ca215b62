#pragma once
// File-system helpers: folders created on first need, whole-file reads, and
// writes that replace a file through a temporary file and a rename so that a
// failure never leaves half a file behind.
#include <filesystem>
#include <string>
#include <string_view>

namespace qdx {

namespace fs = std::filesystem;

bool file_exists(const fs::path& path);    // a regular file
bool folder_exists(const fs::path& path);  // a directory
// Creates the folder (and missing parents) when it does not exist.
void ensure_folder(const fs::path& path);
void remove_if_exists(const fs::path& path);
// Copies over the target, replacing it; throws FileError, leaving the target
// as it was, when the source cannot be read to its end.
void copy_replacing(const fs::path& from, const fs::path& to);

// The file's bytes; empty when it cannot be read.
std::string read_whole_file(const fs::path& path);
// Replaces `path` with `bytes` via a temporary file beside it; throws FileError.
void write_file_atomically(const fs::path& path, std::string_view bytes);

}  // namespace qdx
