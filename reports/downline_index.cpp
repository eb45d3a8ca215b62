#include "reports/downline_index.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/files.h"
#include "core/record_file.h"
#include "reports/downline_cache.h"

namespace qdx {

namespace {

// Layout: magic, folder stamp, n, number of ids, checksum of the body; then
// the body: n+1 list lengths (-1 for an ID without a list file) and the ids.
constexpr char kMagic[8] = {'Q', 'D', 'X', 'D', 'W', 'L', 'I', '1'};
constexpr size_t kStampAt = 8;
constexpr size_t kHeaderSize = 40;

// The folder's modification time; any entry created, renamed or removed in
// it moves this on.
int64_t folder_stamp(const AppState& state) {
    return static_cast<int64_t>(
        std::filesystem::last_write_time(downline_folder(state)).time_since_epoch().count());
}

uint64_t checksum(const char* data, size_t size) {
    uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (size_t i = 0; i < size; ++i) {
        h ^= static_cast<unsigned char>(data[i]);
        h *= 1099511628211ull;
    }
    return h;
}

int64_t get64(const std::string& bytes, size_t at) {
    int64_t v;
    std::memcpy(&v, bytes.data() + at, sizeof v);
    return v;
}

void put64(std::string& bytes, int64_t v) { bytes.append(reinterpret_cast<const char*>(&v), 8); }

void put32(std::string& bytes, int32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); }

void stamp(const std::filesystem::path& path, int64_t value) {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f) throw FileError("cannot write " + path.string());
    bool ok = std::fseek(f, kStampAt, SEEK_SET) == 0 && std::fwrite(&value, 8, 1, f) == 1;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) throw FileError("cannot write " + path.string());
}

}  // namespace

void PackedLists::push(bool listed, const int32_t* first, const int32_t* last) {
    ++n;
    exists.push_back(listed);
    ids.insert(ids.end(), first, last);
    start.push_back(static_cast<int64_t>(ids.size()));
}

std::filesystem::path downline_index_file(const AppState& state) {
    return downline_folder(state) / "lists.idx";
}

std::optional<PackedLists> load_downline_index(const AppState& state) {
    const auto path = downline_index_file(state);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    const std::optional<int64_t> counter = read_downline_counter(state);
    if (!counter) return std::nullopt;
    const int64_t folderTime = folder_stamp(state);
    const std::string bytes = read_whole_file(path);
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic, 8) != 0)
        return std::nullopt;
    const int64_t n = get64(bytes, 16);
    const int64_t total = get64(bytes, 24);
    if (get64(bytes, kStampAt) != folderTime || n != *counter || n > INT32_MAX || total < 0 ||
        bytes.size() != kHeaderSize + 4 * static_cast<uint64_t>(n + 1 + total))
        return std::nullopt;
    const char* body = bytes.data() + kHeaderSize;
    if (static_cast<uint64_t>(get64(bytes, 32)) != checksum(body, bytes.size() - kHeaderSize))
        return std::nullopt;

    std::vector<int32_t> lengths(static_cast<size_t>(n) + 1);
    std::memcpy(lengths.data(), body, lengths.size() * 4);
    std::vector<int32_t> ids(static_cast<size_t>(total));
    std::memcpy(ids.data(), body + lengths.size() * 4, ids.size() * 4);
    PackedLists lists;
    lists.start.reserve(lengths.size() + 1);
    lists.exists.reserve(lengths.size());
    int64_t at = 0;
    for (int32_t length : lengths) {
        if (length > total - at) return std::nullopt;
        at += length < 0 ? 0 : length;
        lists.exists.push_back(length >= 0);
        lists.start.push_back(at);
    }
    if (at != total) return std::nullopt;
    lists.n = static_cast<int32_t>(n);
    lists.ids = std::move(ids);
    return lists;
}

void write_downline_index(const AppState& state, const PackedLists& lists) {
    std::string body;
    body.reserve(4 * (static_cast<size_t>(lists.n) + 1 + lists.ids.size()));
    for (int32_t id = 0; id <= lists.n; ++id) {
        const auto k = static_cast<size_t>(id);
        put32(body,
              lists.exists[k] ? static_cast<int32_t>(lists.start[k + 1] - lists.start[k]) : -1);
    }
    body.append(reinterpret_cast<const char*>(lists.ids.data()), lists.ids.size() * 4);

    std::string bytes(kMagic, 8);
    put64(bytes, 0);  // stamped once the file is in place
    put64(bytes, lists.n);
    put64(bytes, static_cast<int64_t>(lists.ids.size()));
    put64(bytes, static_cast<int64_t>(checksum(body.data(), body.size())));
    bytes += body;
    const auto path = downline_index_file(state);
    write_file_atomically(path, bytes);
    // Written in place, the stamp itself leaves the folder's time alone.
    stamp(path, folder_stamp(state));
}

}  // namespace qdx
