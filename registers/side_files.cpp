#include "registers/side_files.h"

#include <fstream>
#include <iterator>

#include "core/atomic_file.h"
#include "core/files.h"

namespace qdx {

std::string side_file_name(std::string_view prefix, int64_t number) {
    return std::string(prefix) + std::to_string(number) + ".txt";
}

fs::path affiliate_info_file(const fs::path& appDir, int64_t id) {
    return appDir / "addinfo" / side_file_name("", id);
}

fs::path money_details_file(const fs::path& appDir, char prefix, int64_t n) {
    return appDir / "addinfo" / side_file_name(std::string(1, prefix), n);
}

fs::path message_file(const fs::path& appDir, int64_t n) {
    return appDir / "comm" / side_file_name("", n);
}

fs::path response_file(const fs::path& appDir, int64_t n) {
    return appDir / "comm" / side_file_name("r", n);
}

fs::path comments_file(const fs::path& appDir, int64_t n) {
    return appDir / "comm" / side_file_name("c", n);
}

void write_side_file(const fs::path& path, std::string_view text) {
    ensure_folder(path.parent_path());
    std::string bytes(text);
    bytes += "\r\n";
    write_file_atomically(path, bytes);
}

void write_side_file_unsynced(const fs::path& path, std::string_view text) {
    ensure_folder(path.parent_path());
    AtomicFile file(path, AtomicFile::Sync::Later);
    file.write(text);
    file.write("\r\n");
    file.commit();
}

std::optional<std::string> read_side_file(const fs::path& path) {
    if (!file_exists(path)) return std::nullopt;
    // A file that cannot be read leaves the box to the record's own field.
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string side_text_for_line(std::string_view content) {
    std::string out;
    out.reserve(content.size());
    for (size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') {
            out += ' ';
            ++i;
        } else {
            out += content[i];
        }
    }
    return out;
}

FolderListing::FolderListing(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        names_.insert(it->path().filename().string());
    }
}

}  // namespace qdx
