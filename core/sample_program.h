#pragma once
// Generated application folders of any size, written in bulk: the
// benchmarks' million affiliates and ten million sales, and the bulk part of
// the demo program. Deterministic by seed.
#include <cstdint>
#include <filesystem>

namespace qdx {

struct SampleShape {
    int32_t affiliates = 1000;
    int64_t sales = 10000;
    int64_t payments = 1000;
    int32_t maxDepth = 12;  // levels of the referral forest
    uint32_t seed = 1;
    double firstDay = 45658;    // 1 January 2025
    int32_t days = 365;         // sales, payments and registrations spread over these days
    bool writeSettings = true;  // Percents 10, 5, 3, 2, 1, 1, 0.5, 0.5; minimal payment 50
};

// Writes data/affiliates.qdx, sales.qdx, payments.qdx (and apsettings.qdx)
// under appDir, replacing any there.
void write_sample_program(const std::filesystem::path& appDir, const SampleShape& shape);

// Appends `count` affiliates to an existing folder's affiliates file, each
// referred by a random earlier affiliate (for incremental-update benchmarks).
void append_sample_affiliates(const std::filesystem::path& appDir, int32_t count, uint32_t seed);

}  // namespace qdx
