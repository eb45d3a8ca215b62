#pragma once
// A file of fixed-length records addressed by record number (from 1).
// Reads and writes go straight to the file, so two openings of the same
// file see each other's writes.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/file_error.h"
#include "core/platform/platform.h"

namespace qdx {

// Records in a file of `bytes` bytes: the quotient rounded to the nearest
// whole number, halves to even.
int64_t record_count_for(uint64_t bytes, size_t recordLength);

class RecordFile {
  public:
    RecordFile() = default;
    // Opens for reading and writing, creating the file empty when missing.
    RecordFile(const std::filesystem::path& path, size_t recordLength);
    ~RecordFile();
    RecordFile(RecordFile&& other) noexcept;
    RecordFile& operator=(RecordFile&& other) noexcept;
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    void open(const std::filesystem::path& path, size_t recordLength);
    void close();
    bool isOpen() const { return file_.isOpen(); }
    const std::filesystem::path& path() const { return path_; }
    size_t recordLength() const { return length_; }

    int64_t count() const;
    uint64_t sizeInBytes() const;

    // Record k's bytes; what lies past the end of the file reads as zeros.
    void readRaw(int64_t k, uint8_t* buffer) const;
    void writeRaw(int64_t k, const uint8_t* buffer);

    template <class R>
    R read(int64_t k) const {
        uint8_t buffer[R::kSize];
        readRaw(k, buffer);
        return R::decode(buffer);
    }
    template <class R>
    void write(int64_t k, const R& record) {
        uint8_t buffer[R::kSize];
        record.encode(buffer);
        writeRaw(k, buffer);
    }

    // Reads records first..last in large blocks and hands each one's bytes
    // to `visit(k, bytes)`; for whole-file passes over millions of records.
    void scan(int64_t first, int64_t last,
              const std::function<void(int64_t, const uint8_t*)>& visit) const;
    // The same, a block of `count` consecutive records at a time (record
    // `firstInBlock` first), for loops that want the bytes without a call per record.
    void scanBlocks(int64_t first, int64_t last,
                    const std::function<void(int64_t firstInBlock, const uint8_t* bytes,
                                             size_t count)>& visit) const;
    // Writes `count` consecutive records from `bytes`, starting at record first.
    void writeBlock(int64_t first, const uint8_t* bytes, size_t count);

  private:
    platform::File file_;
    int readOnlyBecause_ = 0;  // errno of the read-write opening, when only reading was possible
    size_t length_ = 0;
    std::filesystem::path path_;
};

}  // namespace qdx
