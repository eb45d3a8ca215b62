#include "core/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/record_append.h"

namespace qdx {

int64_t record_count_for(uint64_t bytes, size_t length) {
    uint64_t whole = bytes / length;
    uint64_t rest = bytes % length;
    if (rest * 2 > length || (rest * 2 == length && whole % 2 == 1)) ++whole;
    return static_cast<int64_t>(whole);
}

RecordFile::RecordFile(const std::filesystem::path& path, size_t recordLength) {
    open(path, recordLength);
}

RecordFile::~RecordFile() { close(); }

RecordFile::RecordFile(RecordFile&& other) noexcept
    : fd_(other.fd_),
      readOnlyBecause_(other.readOnlyBecause_),
      length_(other.length_),
      path_(std::move(other.path_)) {
    other.fd_ = -1;
}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        readOnlyBecause_ = other.readOnlyBecause_;
        length_ = other.length_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

void RecordFile::open(const std::filesystem::path& path, size_t recordLength) {
    close();
    // Records half appended by a program that was stopped are never read.
    recover_interrupted_append(path);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    const int writeError = fd < 0 ? errno : 0;
    if (fd < 0) {
        // A read-only copy can still be read.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0 && errno == ENOENT)  // the folder would not take the new file: say why
        throw FileError("Cannot write " + path.string() + ": " + std::strerror(writeError));
    if (fd < 0) throw FileError("Cannot open " + path.string() + ": " + std::strerror(errno));
    fd_ = fd;
    readOnlyBecause_ = writeError;
    length_ = recordLength;
    path_ = path;
}

void RecordFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

uint64_t RecordFile::sizeInBytes() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
    return static_cast<uint64_t>(st.st_size);
}

int64_t RecordFile::count() const { return record_count_for(sizeInBytes(), length_); }

void RecordFile::readRaw(int64_t k, uint8_t* buffer) const {
    std::memset(buffer, 0, length_);
    if (fd_ < 0 || k < 1) return;
    off_t offset = static_cast<off_t>(k - 1) * static_cast<off_t>(length_);
    size_t done = 0;
    while (done < length_) {
        ssize_t n = ::pread(fd_, buffer + done, length_ - done, offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw FileError("Cannot read " + path_.string() + ": " + std::strerror(errno));
        if (n == 0) break;  // past the end: the rest stays zero
        done += static_cast<size_t>(n);
    }
}

static void write_all(int fd, const uint8_t* data, size_t size, off_t offset,
                      const std::filesystem::path& path) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            throw FileError("Cannot write " + path.string() + ": " +
                            std::strerror(n < 0 ? errno : ENOSPC));
        done += static_cast<size_t>(n);
    }
}

void RecordFile::writeRaw(int64_t k, const uint8_t* buffer) { writeBlock(k, buffer, 1); }

void RecordFile::writeBlock(int64_t first, const uint8_t* bytes, size_t count) {
    if (fd_ < 0 || first < 1) throw FileError("Cannot write record of " + path_.string());
    if (readOnlyBecause_ != 0)
        throw FileError("Cannot write " + path_.string() + ": " + std::strerror(readOnlyBecause_));
    write_all(fd_, bytes, count * length_,
              static_cast<off_t>(first - 1) * static_cast<off_t>(length_), path_);
}

void RecordFile::scanBlocks(
    int64_t first, int64_t last,
    const std::function<void(int64_t, const uint8_t*, size_t)>& visit) const {
    if (fd_ < 0 || last < first) return;
    first = std::max<int64_t>(first, 1);
    const size_t perBlock = std::max<size_t>(1, (1 << 20) / length_);
    std::vector<uint8_t> block(perBlock * length_);
    for (int64_t k = first; k <= last;) {
        size_t n = static_cast<size_t>(std::min<int64_t>(perBlock, last - k + 1));
        size_t want = n * length_;
        off_t offset = static_cast<off_t>(k - 1) * static_cast<off_t>(length_);
        size_t done = 0;
        while (done < want) {
            ssize_t got = ::pread(fd_, block.data() + done, want - done, offset + done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0)
                throw FileError("Cannot read " + path_.string() + ": " + std::strerror(errno));
            if (got == 0) break;
            done += static_cast<size_t>(got);
        }
        // A trailing fragment counted as a record reads as zeros past the end.
        std::fill(block.begin() + static_cast<long>(done), block.begin() + static_cast<long>(want),
                  0);
        visit(k, block.data(), n);
        k += static_cast<int64_t>(n);
    }
}

void RecordFile::scan(int64_t first, int64_t last,
                      const std::function<void(int64_t, const uint8_t*)>& visit) const {
    scanBlocks(first, last, [&](int64_t k, const uint8_t* bytes, size_t n) {
        for (size_t i = 0; i < n; ++i) visit(k + static_cast<int64_t>(i), bytes + i * length_);
    });
}

}  // namespace qdx
