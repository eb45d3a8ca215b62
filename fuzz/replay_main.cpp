// The fuzzers' inputs run once each where libFuzzer is not at hand (gcc):
// every file named, and every file in every folder named, in name order.
// Flags (libFuzzer's "-runs=0") are passed over.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

static bool run_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read the input %s\n", path.string().c_str());
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

int main(int argc, char** argv) {
    size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.starts_with("-")) continue;
        std::vector<fs::path> files;
        std::error_code error;
        if (fs::is_directory(argument, error)) {
            for (const auto& entry : fs::recursive_directory_iterator(argument, error))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
        } else {
            files.emplace_back(argument);
        }
        if (error) {
            std::fprintf(stderr, "cannot list the inputs in %s: %s\n", argument.c_str(),
                         error.message().c_str());
            return 1;
        }
        for (const auto& file : files) {
            if (!run_file(file)) return 1;
            ++inputs;
        }
    }
    std::printf("%zu inputs ran\n", inputs);
    return inputs > 0 ? 0 : 1;
}
