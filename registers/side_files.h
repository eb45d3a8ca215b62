#pragma once
// Long texts kept beside the records: the additional information of an
// affiliate, the details of a sale or payment, and the message, response and
// comments of a communication. Each file holds the text followed by CR LF.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace qdx {

namespace fs = std::filesystem;

// Names of side files in their folder: "<N>.txt" with an optional prefix.
std::string side_file_name(std::string_view prefix, int64_t number);

fs::path affiliate_info_file(const fs::path& appDir, int64_t id);  // addinfo/<ID>.txt
fs::path money_details_file(const fs::path& appDir, char prefix,
                            int64_t n);                     // addinfo/s<N>.txt, p<N>
fs::path message_file(const fs::path& appDir, int64_t n);   // comm/<N>.txt
fs::path response_file(const fs::path& appDir, int64_t n);  // comm/r<N>.txt
fs::path comments_file(const fs::path& appDir, int64_t n);  // comm/c<N>.txt

// Replaces the file with the text and CR LF, creating its folder when missing.
void write_side_file(const fs::path& path, std::string_view text);
// The same without syncing the file: for a batch of many, which the caller
// then syncs once (sync_filesystem, core/atomic_file.h).
void write_side_file_unsynced(const fs::path& path, std::string_view text);
// The whole file, or nothing when it does not exist or cannot be read.
std::optional<std::string> read_side_file(const fs::path& path);
// A side text as it appears inside an export line: every CR LF becomes a blank.
std::string side_text_for_line(std::string_view content);

// The names of the files in a folder, listed once so that an export of many
// records tests each record's side file without a lookup on disk.
class FolderListing {
  public:
    explicit FolderListing(const fs::path& folder);
    bool contains(const std::string& name) const { return names_.count(name) != 0; }

  private:
    std::unordered_set<std::string> names_;
};

}  // namespace qdx
