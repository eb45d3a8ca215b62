#pragma once
// The downline cache in data/dwl: one list file "<ID>.qdx" per affiliate
// holding the IDs it referred directly (" 4  9  12 ", empty when none), the
// list of the top-level affiliates in "0.qdx", and the counter "numb.qdx"
// with the number of affiliate records the cache covers (" N " + CR LF).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/downline_index.h"
#include "core/platform/platform.h"
#include "core/progress.h"

namespace qdx {

std::filesystem::path downline_folder(const AppState& state);
std::filesystem::path downline_list_file(const AppState& state, int64_t id);
std::filesystem::path downline_counter_file(const AppState& state);
// The counter's number; nothing when the file is missing or holds none.
std::optional<int64_t> read_downline_counter(const AppState& state);

// Brings the cache up to date with the affiliates file: only the records
// added since the last update are read; a missing or oversized counter
// rebuilds everything.
void refresh_downline_cache(const AppState& state, Progress& progress);
inline void refresh_downline_cache(const AppState& state) {
    Progress none;
    refresh_downline_cache(state, none);
}
// Rebuilds every list file and the counter from the affiliates file.
void rebuild_downline_cache(const AppState& state, Progress& progress);
inline void rebuild_downline_cache(const AppState& state) {
    Progress none;
    rebuild_downline_cache(state, none);
}
// Both keep the packed index (downline_index.h) in step with the list files.

// Everybody below `id`, generation by generation (direct referrals first,
// then their referrals grouped by parent, and so on, without depth limit).
// Empty when `id` has no list file. A list that would grow beyond
// `capacity`, which only a referral cycle causes, throws ReportError.
// Reads the packed index when it matches the cache, the list files otherwise.
std::vector<int32_t> get_downline(const AppState& state, int32_t id, size_t capacity);

// The list files, opened by name relative to the cache folder: a downline
// reads one per member, so each read is kept to three system calls.
class DownlineFolder {
  public:
    explicit DownlineFolder(const AppState& state);
    ~DownlineFolder();
    DownlineFolder(const DownlineFolder&) = delete;
    DownlineFolder& operator=(const DownlineFolder&) = delete;

    // Appends the numbers of id's list file to `out`; false when the file
    // does not exist. Text that is not a list of whole numbers throws
    // ReportError.
    bool read(int64_t id, std::vector<int32_t>& out) const;

  private:
    std::filesystem::path path_;
    platform::Folder folder_;  // not open when the folder does not exist
};

// The expansion behind get_downline over any source of list files:
// `readList(id, out)` appends id's referrals and says whether id has a list.
using ListReader = std::function<bool(int32_t, std::vector<int32_t>&)>;
std::vector<int32_t> expand_downline(int32_t id, size_t capacity, const ListReader& readList);

// The list files of IDs 0..count read once into memory (from the packed
// index when it matches), for callers that expand many downlines; IDs
// outside that range are read from disk.
class DownlineLists {
  public:
    static DownlineLists load(const AppState& state, int32_t count);
    DownlineLists() = default;
    DownlineLists(const AppState& state, PackedLists packed);
    std::vector<int32_t> downline(int32_t id, size_t capacity) const;

  private:
    bool readList(int32_t id, std::vector<int32_t>& out) const;

    std::shared_ptr<const DownlineFolder> folder_;
    PackedLists packed_;
};

// Lists 0..n read file by file.
PackedLists read_list_files(const DownlineFolder& folder, int32_t n);

}  // namespace qdx
