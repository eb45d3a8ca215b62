#pragma once
// The demo affiliate program: a complete, plausible application folder to
// try Qdx on — settings, a referral network over five generations, a year of
// sales and monthly payments, communications and side texts. Deterministic
// by seed and last day. Large sets are written by the bulk sample writer.
#include <cstdint>
#include <filesystem>

namespace qdx {

struct DemoOptions {
    uint32_t seed = 1;
    int32_t affiliates = 40;
    double lastDay = 45996;  // the year of records ends on this OLE date (5 December 2025)
};

// Above this many affiliates the demo is written in bulk, without side texts.
constexpr int32_t kLargestDetailedDemo = 2000;

struct DemoSummary {
    int32_t affiliates = 0;
    int64_t sales = 0, payments = 0, communications = 0, refunds = 0;
    int64_t voids = 0;  // of the last payment run, which the demo reverses
};

// Writes the demo's data files and side files under appDir (the folders are
// created as needed; register files there are replaced).
DemoSummary write_demo_program(const std::filesystem::path& appDir, const DemoOptions& options);

}  // namespace qdx
