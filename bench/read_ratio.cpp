#include "read_ratio.h"

#include <algorithm>
#include <chrono>
#include <map>

#include "core/app_state.h"
#include "core/record_file.h"
#include "core/record_layouts.h"
#include "core/records.h"

namespace qdx::bench {

double one_sales_read(const std::filesystem::path& appDir) {
    static std::map<std::filesystem::path, double> measured;
    if (auto it = measured.find(appDir); it != measured.end()) return it->second;
    const RecordFile sales(AppState(appDir).dataFile(file::kSales), MoneyRecord::kSize);
    double least = 1e9, sum = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        sales.scanBlocks(1, sales.count(), [&](int64_t, const uint8_t* bytes, size_t n) {
            for (size_t i = 0; i < n; ++i, bytes += MoneyRecord::kSize)
                sum += layout::get<layout::money::kSum>(bytes);
        });
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        least = std::min(least, took.count());
    }
    benchmark::DoNotOptimize(sum);
    return measured[appDir] = least;
}

}  // namespace qdx::bench
