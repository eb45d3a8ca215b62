#include "core/downline_cache.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <unordered_map>

#include "core/files.h"
#include "core/platform/platform.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/referral_index.h"
#include "core/report_error.h"

namespace qdx {

namespace {

std::string entry(int64_t id) { return " " + std::to_string(id) + " "; }

// entry(id) added to `bytes`.
void append_entry(std::string& bytes, int32_t id) {
    char digits[16];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, id);
    bytes += ' ';
    bytes.append(digits, end);
    bytes += ' ';
}

[[noreturn]] void cannot_write(const std::filesystem::path& path, int err) {
    throw FileError("write", path, err);
}

// New files as the C library makes them: readable and writable by all the
// umask lets.
constexpr platform::OpenOptions kListFile{0666, false};

void write_bytes(const std::filesystem::path& path, const std::string& bytes, platform::Mode mode) {
    platform::File file;
    int err = file.open(path, mode, kListFile);
    if (err == 0) err = file.write(bytes.data(), bytes.size()).error;
    if (const int closing = file.close(); err == 0) err = closing;
    if (err != 0) cannot_write(path, err);
}

void replace_list(const AppState& state, int64_t id, const std::string& bytes) {
    write_bytes(downline_list_file(state, id), bytes, platform::Mode::WriteTruncate);
}

void append_list(const AppState& state, int64_t id, const std::string& bytes) {
    write_bytes(downline_list_file(state, id), bytes, platform::Mode::AppendCreate);
}

void write_counter(const AppState& state, int64_t count) {
    write_file_atomically(downline_counter_file(state), entry(count) + "\r\n");
}

// Packs lists 0..n from the list files when the index does not match them,
// so that later downlines are read at once. A list that cannot be read is
// left for get_downline to report.
void index_list_files(const AppState& state, int64_t n) {
    if (n > INT32_MAX) return;
    try {
        write_downline_index(state,
                             read_list_files(DownlineFolder(state), static_cast<int32_t>(n)));
    } catch (const std::runtime_error&) {
        remove_if_exists(downline_index_file(state));
    }
}

// Appends records c+1..n to the cache. Each record is added to its
// referrer's list and then gets an empty list of its own, in record order;
// the outcome per file is gathered first so that every file is written once.
void append_new_records(const AppState& state, const RecordFile& affiliates, int64_t c, int64_t n) {
    struct Outcome {
        bool replace = false;  // the file is recreated, not appended to
        std::string bytes;
        std::vector<int32_t> ids;  // of a recreated file
    };
    // The index of lists 0..c, read before the files change.
    std::optional<PackedLists> before = load_downline_index(state);
    std::unordered_map<int64_t, Outcome> outcome;
    affiliates.scan(c + 1, n, [&](int64_t r, const uint8_t* bytes) {
        const int32_t referrer = layout::get<layout::affiliate::kReferrerId>(bytes);
        Outcome& o = outcome[referrer];
        o.bytes += entry(r);
        o.ids.push_back(static_cast<int32_t>(r));
        outcome[r] = Outcome{true, {}, {}};
    });
    // Without a counter the next check rebuilds, so an interruption from
    // here on cannot leave the lists and the counter out of step.
    remove_if_exists(downline_counter_file(state));
    for (const auto& [id, o] : outcome) {
        if (o.replace)
            replace_list(state, id, o.bytes);
        else if (!o.bytes.empty())
            append_list(state, id, o.bytes);
    }
    write_counter(state, n);
    if (!before || n > INT32_MAX) return index_list_files(state, n);

    // Lists 0..n: recreated ones as written, appended ones as they are now
    // on disk, the others as the index held them.
    const DownlineFolder folder(state);
    PackedLists after;
    after.ids.reserve(before->ids.size() + static_cast<size_t>(n - c));
    after.length.reserve(static_cast<size_t>(n) + 1);
    after.start.reserve(static_cast<size_t>(n) + 2);
    std::vector<int32_t> list;
    for (int32_t id = 0; id <= static_cast<int32_t>(n); ++id) {
        const auto found = outcome.find(id);
        if (found != outcome.end() && found->second.replace) {
            const auto& ids = found->second.ids;
            after.push(true, ids.data(), ids.data() + ids.size());
        } else if (found != outcome.end()) {
            list.clear();
            const bool listed = folder.read(id, list);
            after.push(listed, list.data(), list.data() + list.size());
        } else {
            const auto k = static_cast<size_t>(id);
            const int32_t* ids = before->ids.data();
            after.push(before->listed(id), ids + before->start[k], ids + before->start[k + 1]);
        }
    }
    write_downline_index(state, after);
}

// Lists 0..n as a rebuild writes them: every record in its referrer's list.
PackedLists pack_referrals(const ReferralIndex& index) {
    const int32_t n = index.count();
    PackedLists lists;
    lists.length.reserve(static_cast<size_t>(n) + 1);
    lists.start.reserve(static_cast<size_t>(n) + 2);
    lists.ids.reserve(static_cast<size_t>(n));
    for (int32_t id = 0; id <= n; ++id) {
        const std::span<const int32_t> children = index.children(id);
        lists.push(true, children.data(), children.data() + children.size());
    }
    return lists;
}

// Opens, fills and closes one list file relative to the open cache folder:
// three system calls, no flush of its own.
void write_list_at(const platform::Folder& folder, const std::filesystem::path& path, int32_t id,
                   const std::string& bytes) {
    char name[32];
    auto [end, ec] = std::to_chars(name, name + 20, id);
    std::memcpy(end, ".qdx", 5);
    platform::File file;
    int err = folder.openFile(file, name, platform::Mode::WriteTruncate, kListFile);
    if (err == 0) err = file.write(bytes.data(), bytes.size()).error;
    if (const int closing = file.close(); err == 0) err = closing;
    if (err != 0) cannot_write(path / name, err);
}

// Recreates list files 0..n from the index, on every core: the threads take
// blocks of IDs in turn; the calling thread tells the progress. The files
// reach the disk together with one sync of the folder's file system at the end.
void write_lists(const std::filesystem::path& path, const ReferralIndex& index,
                 Progress& progress) {
    platform::Folder folder;
    if (const int err = folder.open(path); err != 0) cannot_write(path, err);

    const int32_t n = index.count();
    constexpr int32_t kBlock = 4096;
    std::atomic<int64_t> nextBlock{0}, written{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failureLock;
    const std::stop_token stop = progress.token();
    auto work = [&](bool reports) {
        std::string bytes;
        try {
            while (!failed && !stop.stop_requested()) {
                const int64_t first = nextBlock.fetch_add(1) * kBlock;
                if (first > n) return;
                const auto last = static_cast<int32_t>(std::min<int64_t>(first + kBlock - 1, n));
                for (auto id = static_cast<int32_t>(first); id <= last; ++id) {
                    bytes.clear();
                    for (int32_t r : index.children(id)) append_entry(bytes, r);
                    write_list_at(folder, path, id, bytes);
                }
                written += last - first + 1;
                if (reports) progress.step(written);
            }
        } catch (...) {
            std::lock_guard lock(failureLock);
            if (!failure) failure = std::current_exception();
            failed = true;
        }
    };
    {
        const unsigned helpers =
            n < kBlock ? 0 : std::clamp(std::thread::hardware_concurrency(), 1u, 8u) - 1;
        std::vector<std::jthread> threads;
        for (unsigned t = 0; t < helpers; ++t) threads.emplace_back(work, false);
        // The calling thread writes too, and reports between its blocks.
        work(true);
        for (auto& t : threads) t.join();
    }
    if (failure) std::rethrow_exception(failure);
    progress.step(written);
    progress.check();
    if (const int err = folder.syncAll(); err != 0) cannot_write(path, err);
}

}  // namespace

// The counter's first number; nothing when the file holds none.
std::optional<int64_t> read_downline_counter(const AppState& state) {
    if (!file_exists(downline_counter_file(state))) return std::nullopt;
    std::string text = read_whole_file(downline_counter_file(state));
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || errno == ERANGE || value < 0) return std::nullopt;
    return value;
}

std::filesystem::path downline_folder(const AppState& state) { return state.dataDir() / "dwl"; }

std::filesystem::path downline_list_file(const AppState& state, int64_t id) {
    return downline_folder(state) / (std::to_string(id) + ".qdx");
}

std::filesystem::path downline_counter_file(const AppState& state) {
    return downline_folder(state) / "numb.qdx";
}

void refresh_downline_cache(const AppState& state, Progress& progress) {
    ensure_folder(downline_folder(state));
    auto path = state.dataFile(file::kAffiliates);
    if (!file_exists(path)) return;
    if (!file_exists(downline_counter_file(state))) return rebuild_downline_cache(state, progress);
    RecordFile affiliates(path, AffiliateRecord::kSize);
    const int64_t n = affiliates.count();
    // A counter that cannot be read is treated like a missing one.
    std::optional<int64_t> c = read_downline_counter(state);
    if (!c || *c > n) return rebuild_downline_cache(state, progress);
    if (*c < n) return append_new_records(state, affiliates, *c, n);
    if (!load_downline_index(state)) index_list_files(state, n);
}

void rebuild_downline_cache(const AppState& state, Progress& progress) {
    auto path = state.dataFile(file::kAffiliates);
    if (!file_exists(path)) return;
    ensure_folder(downline_folder(state));
    const ReferralIndex index(ReferralTree::fromFile(RecordFile(path, AffiliateRecord::kSize)));
    const int32_t n = index.count();
    remove_if_exists(downline_counter_file(state));

    // Lists 0..n are recreated; a referrer outside that range keeps its old
    // file and has the records appended. Stopped half-way, the cache has no
    // counter and is rebuilt at its next check.
    std::string bytes;
    for (const auto& [id, referrals] : index.strays()) {
        bytes.clear();
        for (int32_t r : referrals) bytes += entry(r);
        append_list(state, id, bytes);
    }
    progress.stage("Writing the downline lists", n + 1, "affiliates");
    write_lists(downline_folder(state), index, progress);
    write_counter(state, n);
    write_downline_index(state, pack_referrals(index));
}

DownlineFolder::DownlineFolder(const AppState& state) : path_(downline_folder(state)) {
    folder_.open(path_);
}

DownlineFolder::~DownlineFolder() = default;

bool DownlineFolder::read(int64_t id, std::vector<int32_t>& out) const {
    if (!folder_.isOpen()) return false;
    char name[32];
    auto [end, ec] = std::to_chars(name, name + 20, id);
    std::memcpy(end, ".qdx", 5);
    auto failure = [&] { return FileError("cannot read " + (path_ / name).string()); };

    platform::File file;
    if (const int err = folder_.openFile(file, name, platform::Mode::Read); err != 0) {
        if (err == ENOENT) return false;
        throw failure();
    }
    // List files are small: one read into the buffer, longer ones gathered.
    char buffer[4096];
    std::string longer;
    size_t size = 0;
    while (true) {
        const platform::Io got = file.read(buffer + size, sizeof buffer - size);
        if (got.error != 0) throw failure();
        size += got.bytes;
        // A short read of a regular file is its end.
        if (size < sizeof buffer) break;
        longer.append(buffer, size);
        size = 0;
    }
    file.close();
    if (!longer.empty()) longer.append(buffer, size);
    const char* p = longer.empty() ? buffer : longer.data();
    const char* last = p + (longer.empty() ? size : longer.size());

    while (true) {
        while (p < last && (*p == ' ' || *p == '\r' || *p == '\n' || *p == '\t')) ++p;
        if (p == last) break;
        int32_t value = 0;
        auto [next, error] = std::from_chars(p, last, value);
        if (error != std::errc() ||
            (next < last && *next != ' ' && *next != '\r' && *next != '\n' && *next != '\t'))
            throw ReportError("bad downline list " + (path_ / name).string());
        out.push_back(value);
        p = next;
    }
    return true;
}

std::vector<int32_t> expand_downline(int32_t id, size_t capacity, const ListReader& readList) {
    std::vector<int32_t> list;
    auto checkCapacity = [&] {
        if (list.size() > capacity) throw ReportError("the downline list is full");
    };
    if (!readList(id, list)) return list;
    checkCapacity();
    // One pass per generation: the members found in the previous pass
    // contribute their own lists.
    size_t start = 0;
    while (start < list.size()) {
        const size_t end = list.size();
        for (size_t j = start; j < end; ++j) {
            const int32_t member = list[j];
            readList(member, list);
            checkCapacity();
        }
        start = end;
    }
    return list;
}

std::vector<int32_t> get_downline(const AppState& state, int32_t id, size_t capacity) {
    if (std::optional<PackedLists> index = load_downline_index(state))
        return DownlineLists(state, std::move(*index)).downline(id, capacity);
    const DownlineFolder folder(state);
    return expand_downline(id, capacity, [&](int32_t member, std::vector<int32_t>& out) {
        return folder.read(member, out);
    });
}

PackedLists read_list_files(const DownlineFolder& folder, int32_t n) {
    PackedLists lists;
    lists.start.reserve(static_cast<size_t>(n) + 2);
    lists.length.reserve(static_cast<size_t>(n) + 1);
    for (int32_t id = 0; id <= n; ++id) {
        const size_t before = lists.ids.size();
        const bool listed = folder.read(id, lists.ids);
        lists.length.push_back(listed ? static_cast<int32_t>(lists.ids.size() - before) : -1);
        lists.start.push_back(static_cast<int64_t>(lists.ids.size()));
        lists.n = id;
    }
    return lists;
}

DownlineLists::DownlineLists(const AppState& state, PackedLists packed)
    : folder_(std::make_shared<const DownlineFolder>(state)), packed_(std::move(packed)) {}

DownlineLists DownlineLists::load(const AppState& state, int32_t count) {
    std::optional<PackedLists> index = load_downline_index(state);
    if (index && index->n == count) return DownlineLists(state, std::move(*index));
    DownlineLists lists(state, PackedLists{});
    lists.packed_ = read_list_files(*lists.folder_, count);
    return lists;
}

bool DownlineLists::readList(int32_t id, std::vector<int32_t>& out) const {
    if (!packed_.covers(id)) return folder_->read(id, out);
    const auto k = static_cast<size_t>(id);
    const int32_t* ids = packed_.ids.data();
    out.insert(out.end(), ids + packed_.start[k], ids + packed_.start[k + 1]);
    return packed_.listed(id);
}

std::vector<int32_t> DownlineLists::downline(int32_t id, size_t capacity) const {
    return expand_downline(id, capacity, [this](int32_t member, std::vector<int32_t>& out) {
        return readList(member, out);
    });
}

}  // namespace qdx
