#include "generated_sets.h"

#include <cstdlib>
#include <string>

#include "core/files.h"

namespace qdx::bench {

namespace fs = std::filesystem;

SampleSpec full_set() {
    long scale = 1;
    if (const char* s = std::getenv("QDX_BENCH_SCALE")) scale = std::max(1L, std::atol(s));
    SampleSpec spec;
    spec.affiliates = static_cast<int32_t>(1000000 / scale);
    spec.sales = 10000000 / scale;
    spec.payments = 1000000 / scale;
    spec.maxDepth = 12;
    return spec;
}

SampleSpec small_set() {
    SampleSpec spec;
    spec.affiliates = 2000;
    spec.sales = 20000;
    spec.payments = 2000;
    return spec;
}

fs::path prepared_folder(const SampleSpec& spec) {
    fs::path dir = fs::temp_directory_path() /
                   ("qdx-bench-" + std::to_string(spec.affiliates) + "-" +
                    std::to_string(spec.sales) + "-" + std::to_string(spec.payments) + "-" +
                    std::to_string(spec.seed));
    if (!file_exists(dir / "complete")) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        write_sample_program(dir, spec);
        write_file_atomically(dir / "complete", "");
    }
    return dir;
}

fs::path fresh_copy(const SampleSpec& spec, const char* tag) {
    fs::path from = prepared_folder(spec);
    fs::path to = fs::temp_directory_path() / (from.filename().string() + "-" + tag);
    fs::remove_all(to);
    fs::create_directories(to);
    fs::copy(from / "data", to / "data", fs::copy_options::recursive);
    return to;
}

}  // namespace qdx::bench
