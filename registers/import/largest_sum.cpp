#include "registers/import/largest_sum.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <string>

#include "core/files.h"
#include "core/record_file.h"

namespace qdx {

double largest_import_sum(const std::filesystem::path& appDir) {
    constexpr int64_t kMost = 1'000'000'000'000'000;
    const std::filesystem::path file = appDir / "data" / kLargestImportSumFile;
    if (!file_exists(file)) return kLargestImportSumByDefault;
    std::string text = read_whole_file(file);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    int64_t sum = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), sum);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || sum < 1 ||
        sum > kMost)
        throw FileError(file.string() + " holds \"" + text +
                        "\": expected the largest sum an imported sale or payment may hold, a "
                        "whole number from 1 to 1000000000000000");
    return static_cast<double>(sum);
}

}  // namespace qdx
