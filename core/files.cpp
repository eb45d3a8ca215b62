#include "core/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

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
    if (ec && !folder_exists(path))
        throw FileError("Cannot create the folder " + path.string() + ": " + ec.message());
}

void remove_if_exists(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

void copy_replacing(const fs::path& from, const fs::path& to) {
    write_file_atomically(to, read_whole_file(from));
}

std::string read_whole_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file_atomically(const fs::path& path, std::string_view bytes) {
    fs::path temp = path;
    temp += ".tmp" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw FileError("Cannot write " + path.string() + ": " + std::strerror(errno));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int err = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(temp.c_str());
            throw FileError("Cannot write " + path.string() + ": " + std::strerror(err));
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        throw FileError("Cannot write " + path.string() + ": " + std::strerror(err));
    }
}

AppendTransaction::AppendTransaction(fs::path path) : path_(std::move(path)) {
    std::error_code ec;
    existed_ = fs::is_regular_file(path_, ec);
    if (existed_) length_ = fs::file_size(path_, ec);
}

AppendTransaction::~AppendTransaction() {
    if (committed_) return;
    std::error_code ec;
    if (existed_)
        fs::resize_file(path_, length_, ec);
    else
        fs::remove(path_, ec);
}

}  // namespace qdx
