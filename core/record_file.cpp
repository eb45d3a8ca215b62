#include "core/record_file.h"

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
    : file_(std::move(other.file_)),
      readOnlyBecause_(other.readOnlyBecause_),
      length_(other.length_),
      path_(std::move(other.path_)) {}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept {
    if (this != &other) {
        close();
        file_ = std::move(other.file_);
        readOnlyBecause_ = other.readOnlyBecause_;
        length_ = other.length_;
        path_ = std::move(other.path_);
    }
    return *this;
}

void RecordFile::open(const std::filesystem::path& path, size_t recordLength) {
    close();
    // Records half appended by a program that was stopped are never read.
    recover_interrupted_append(path);
    const int writeError = file_.open(path, platform::Mode::ReadWriteCreate);
    // A read-only copy can still be read.
    const int readError = writeError == 0 ? 0 : file_.open(path, platform::Mode::Read);
    if (readError == ENOENT)  // the folder would not take the new file: say why
        throw FileError("write", path, writeError);
    if (readError != 0) throw FileError("open", path, readError);
    readOnlyBecause_ = writeError;
    length_ = recordLength;
    path_ = path;
}

void RecordFile::close() { file_.close(); }

uint64_t RecordFile::sizeInBytes() const {
    uint64_t bytes = 0;
    return file_.size(bytes) == 0 ? bytes : 0;
}

int64_t RecordFile::count() const { return record_count_for(sizeInBytes(), length_); }

void RecordFile::readRaw(int64_t k, uint8_t* buffer) const {
    std::memset(buffer, 0, length_);
    if (!file_.isOpen() || k < 1) return;
    // Past the end the rest stays zero.
    const platform::Io io = file_.readAt(static_cast<uint64_t>(k - 1) * length_, buffer, length_);
    if (io.error != 0) throw FileError("read", path_, io.error);
}

void RecordFile::writeRaw(int64_t k, const uint8_t* buffer) { writeBlock(k, buffer, 1); }

void RecordFile::writeBlock(int64_t first, const uint8_t* bytes, size_t count) {
    if (!file_.isOpen() || first < 1) throw FileError("Cannot write record of " + path_.string());
    if (readOnlyBecause_ != 0) throw FileError("write", path_, readOnlyBecause_);
    const platform::Io io =
        file_.writeAt(static_cast<uint64_t>(first - 1) * length_, bytes, count * length_);
    if (io.error != 0) throw FileError("write", path_, io.error);
}

void RecordFile::scanBlocks(
    int64_t first, int64_t last,
    const std::function<void(int64_t, const uint8_t*, size_t)>& visit) const {
    if (!file_.isOpen() || last < first) return;
    first = std::max<int64_t>(first, 1);
    const size_t perBlock = std::max<size_t>(1, (1 << 20) / length_);
    std::vector<uint8_t> block(perBlock * length_);
    for (int64_t k = first; k <= last;) {
        size_t n = static_cast<size_t>(std::min<int64_t>(perBlock, last - k + 1));
        size_t want = n * length_;
        const platform::Io io =
            file_.readAt(static_cast<uint64_t>(k - 1) * length_, block.data(), want);
        if (io.error != 0) throw FileError("read", path_, io.error);
        const size_t done = io.bytes;
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
