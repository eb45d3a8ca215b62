#pragma once
// A packed copy of the list files of IDs 0..N kept beside them in data/dwl,
// so that a whole-network downline is one file read instead of one per
// member. The list files and the counter stay the record; the index is only
// trusted while it matches them: it holds the counter's N and the folder's
// modification time as it was right after the index was written, so any file
// created, replaced or removed in the folder since then makes it stale.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/app_state.h"

namespace qdx {

// The lists of IDs 0..n in memory: list of id is ids[start[id] .. start[id+1]),
// length[id] its size, or -1 when id has no list file at all.
struct PackedLists {
    int32_t n = -1;
    std::vector<int32_t> length;
    std::vector<int64_t> start{0};
    std::vector<int32_t> ids;

    bool covers(int32_t id) const { return id >= 0 && id <= n; }
    bool listed(int32_t id) const { return length[static_cast<size_t>(id)] >= 0; }
    // Adds the next id's list (ids n+1, n+2, ... in turn).
    void push(bool listed, const int32_t* first, const int32_t* last);
};

std::filesystem::path downline_index_file(const AppState& state);

// The index when it matches the counter file and nothing in the folder has
// changed since it was written; nothing when it is missing, stale or damaged.
std::optional<PackedLists> load_downline_index(const AppState& state);

// Replaces the index with `lists` and stamps it with the folder's time.
void write_downline_index(const AppState& state, const PackedLists& lists);

}  // namespace qdx
