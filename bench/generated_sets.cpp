#include "generated_sets.h"

#include <cstdlib>
#include <string>

#include "core/files.h"
#include "core/settings.h"

namespace qdx::bench {

namespace fs = std::filesystem;

SampleShape full_set() {
    long scale = 1;
    if (const char* s = std::getenv("QDX_BENCH_SCALE")) scale = std::max(1L, std::atol(s));
    SampleShape shape;
    shape.affiliates = static_cast<int32_t>(1000000 / scale);
    shape.sales = 10000000 / scale;
    shape.payments = 1000000 / scale;
    shape.maxDepth = 12;
    return shape;
}

SampleShape small_set() {
    SampleShape shape;
    shape.affiliates = 2000;
    shape.sales = 20000;
    shape.payments = 2000;
    return shape;
}

fs::path prepared_folder(const SampleShape& shape) {
    fs::path dir =
        fs::temp_directory_path() /
        ("qdx-bench-" + std::to_string(shape.affiliates) + "-" + std::to_string(shape.sales) + "-" +
         std::to_string(shape.payments) + "-" + std::to_string(shape.seed));
    if (!file_exists(dir / "complete")) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        write_sample_program(dir, shape);
        write_file_atomically(dir / "complete", "");
    }
    return dir;
}

fs::path fresh_copy(const SampleShape& shape, const char* tag) {
    fs::path from = prepared_folder(shape);
    fs::path to = fs::temp_directory_path() / (from.filename().string() + "-" + tag);
    fs::remove_all(to);
    fs::create_directories(to);
    fs::copy(from / "data", to / "data", fs::copy_options::recursive);
    return to;
}

AppState state_in(const fs::path& folder) {
    AppState state(folder);
    load_settings(state);
    return state;
}

DateRange range_of(const SampleShape& shape) {
    return {shape.firstDay, shape.firstDay + shape.days - 1};
}

AppState state_for(const SampleShape& shape) { return state_in(prepared_folder(shape)); }

std::vector<int32_t> network_sizes(const ReferralTree& tree) {
    // One backward pass adds every subtree into its parent.
    std::vector<int32_t> below(static_cast<size_t>(tree.count()) + 1, 0);
    for (int32_t k = tree.count(); k >= 1; --k)
        if (int32_t p = tree.referrerOf(k); tree.contains(p))
            below[static_cast<size_t>(p)] += below[static_cast<size_t>(k)] + 1;
    return below;
}

int32_t network_of_2000(const AppState& state) {
    const ReferralTree tree = ReferralTree::load(state);
    const std::vector<int32_t> below = network_sizes(tree);
    int32_t best = 1;
    auto distance = [&](int32_t k) { return std::abs(below[static_cast<size_t>(k)] - 2000); };
    for (int32_t k = 1; k <= tree.count(); ++k)
        if (distance(k) < distance(best)) best = k;
    return best;
}

}  // namespace qdx::bench
