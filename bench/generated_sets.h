#pragma once
// Generated application folders for the benchmarks, made once and kept in
// the temporary folder between runs (keyed by size and seed).
#include <cstdint>
#include <filesystem>
#include <vector>

#include "core/app_state.h"
#include "core/date_range.h"
#include "core/sample_program.h"
#include "core/tree.h"

namespace qdx::bench {

// The full set: 1,000,000 affiliates (forest up to 12 deep), 10,000,000
// sales and 1,000,000 payments over a year. QDX_BENCH_SCALE (a divisor,
// e.g. 10) shrinks it for a quick run.
SampleShape full_set();
// A small set on which the record-by-record procedures finish in seconds.
SampleShape small_set();

// The folder holding the set; generated on first use.
std::filesystem::path prepared_folder(const SampleShape& shape);
// A fresh copy of a prepared folder's data, for benchmarks that change it.
std::filesystem::path fresh_copy(const SampleShape& shape, const char* tag);

// The state of a program in `folder` with its settings loaded.
AppState state_in(const std::filesystem::path& folder);
AppState state_for(const SampleShape& shape);  // on the prepared folder
// The days the shape's sales and payments are spread over.
DateRange range_of(const SampleShape& shape);

// How many affiliates are below each one (entry k for affiliate k).
// Referrers come before their referrals in the generated sets.
std::vector<int32_t> network_sizes(const ReferralTree& tree);
// The affiliate whose network comes nearest to 2,000 below it.
int32_t network_of_2000(const AppState& state);

}  // namespace qdx::bench
