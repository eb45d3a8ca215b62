#include "core/downline_index.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "core/atomic_file.h"
#include "core/downline_cache.h"
#include "core/files.h"
#include "core/platform/platform.h"
#include "core/record_file.h"

namespace qdx {

namespace {

// Layout: the header, then the body: n+1 list lengths (-1 for an ID
// without a list file) and the ids, all in the machine's byte order.
constexpr char kMagic[8] = {'Q', 'D', 'X', 'D', 'W', 'L', 'I', '1'};
struct Header {
    char magic[8];
    int64_t stamp;  // the folder's time once the index was in place
    int64_t n;
    int64_t total;  // number of ids
    uint64_t checksum;
};
static_assert(sizeof(Header) == 40);
constexpr long kStampAt = offsetof(Header, stamp);

// The folder's modification time; any entry created, renamed or removed in
// it moves this on.
int64_t folder_stamp(const AppState& state) {
    return platform::modification_stamp(downline_folder(state));
}

// FNV-1a over 64-bit words, continued from `h`.
uint64_t checksum(const std::vector<int32_t>& values, uint64_t h = 14695981039346656037ull) {
    size_t i = 0;
    for (; i + 2 <= values.size(); i += 2) {
        uint64_t word;
        std::memcpy(&word, values.data() + i, 8);
        h = (h ^ word) * 1099511628211ull;
    }
    if (i < values.size()) h = (h ^ static_cast<uint32_t>(values[i])) * 1099511628211ull;
    return h;
}

bool read_values(std::istream& in, std::vector<int32_t>& values) {
    return static_cast<bool>(in.read(reinterpret_cast<char*>(values.data()),
                                     static_cast<std::streamsize>(values.size() * 4)));
}

[[noreturn]] void cannot_write(const std::filesystem::path& path, int err) {
    throw FileError("write", path, err);
}

void stamp(const std::filesystem::path& path, int64_t value) {
    platform::File file;
    int err = file.open(path, platform::Mode::ReadWrite);
    if (err == 0) err = file.writeAt(kStampAt, &value, 8).error;
    if (const int closing = file.close(); err == 0) err = closing;
    if (err != 0) cannot_write(path, err);
}

}  // namespace

void PackedLists::push(bool listed, const int32_t* first, const int32_t* last) {
    ++n;
    length.push_back(listed ? static_cast<int32_t>(last - first) : -1);
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
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const auto size = static_cast<uint64_t>(in.tellg());
    in.seekg(0);
    Header header;
    if (!in || size < sizeof header || !in.read(reinterpret_cast<char*>(&header), sizeof header))
        return std::nullopt;
    if (std::memcmp(header.magic, kMagic, 8) != 0 || header.stamp != folderTime ||
        header.n != *counter || header.n > INT32_MAX || header.total < 0 ||
        header.total > static_cast<int64_t>(size) ||
        size != sizeof header + 4 * static_cast<uint64_t>(header.n + 1 + header.total))
        return std::nullopt;

    PackedLists lists;
    lists.length.resize(static_cast<size_t>(header.n) + 1);
    lists.ids.resize(static_cast<size_t>(header.total));
    if (!read_values(in, lists.length) || !read_values(in, lists.ids) ||
        checksum(lists.ids, checksum(lists.length)) != header.checksum)
        return std::nullopt;
    lists.start.reserve(lists.length.size() + 1);
    int64_t at = 0;
    for (int32_t length : lists.length) {
        if (length > header.total - at) return std::nullopt;
        at += length < 0 ? 0 : length;
        lists.start.push_back(at);
    }
    if (at != header.total) return std::nullopt;
    lists.n = static_cast<int32_t>(header.n);
    return lists;
}

void write_downline_index(const AppState& state, const PackedLists& lists) {
    const Header header{{},
                        0,
                        lists.n,
                        static_cast<int64_t>(lists.ids.size()),
                        checksum(lists.ids, checksum(lists.length))};
    const auto path = downline_index_file(state);
    AtomicFile file(path);
    file.write(kMagic, 8);
    file.write(&header.stamp, sizeof header - 8);
    file.write(lists.length.data(), lists.length.size() * 4);
    file.write(lists.ids.data(), lists.ids.size() * 4);
    file.commit();
    // Written in place, the stamp itself leaves the folder's time alone;
    // until then the index reads as stale.
    stamp(path, folder_stamp(state));
}

}  // namespace qdx
