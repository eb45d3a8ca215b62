#include "core/files.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/atomic_file.h"
#include "core/platform/platform.h"
#include "core/record_file.h"

namespace qdx {

bool file_exists(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool folder_exists(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

void ensure_folder(const fs::path& path) {
    if (folder_exists(path)) return;
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec && !folder_exists(path)) throw FileError("create the folder", path, ec.message());
}

void remove_if_exists(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

void copy_replacing(const fs::path& from, const fs::path& to) {
    platform::File source;
    if (const int err = source.open(from, platform::Mode::Read); err != 0)
        throw FileError("read", from, err);
    AtomicFile out(to);
    std::vector<char> block(1 << 20);
    while (true) {
        const platform::Io io = source.read(block.data(), block.size());
        if (io.error != 0) throw FileError("read", from, io.error);
        if (io.bytes == 0) break;
        out.write(block.data(), io.bytes);
    }
    out.commit();
}

std::string read_whole_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file_atomically(const fs::path& path, std::string_view bytes) {
    AtomicFile out(path);
    out.write(bytes);
    out.commit();
}

}  // namespace qdx
