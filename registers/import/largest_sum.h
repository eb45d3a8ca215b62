#pragma once
// The largest sum one imported sale or payment may hold. A sum above it is
// far more likely a slip (a pasted account number, an exponent) than a sale,
// and twenty sums near the float limit would overflow an income to infinity.
#include <filesystem>

namespace qdx {

inline constexpr double kLargestImportSumByDefault = 1'000'000'000;
inline constexpr const char* kLargestImportSumFile = "largest_import_sum.txt";

// data/largest_import_sum.txt when present (a whole number from 1 to
// 10^15), otherwise 1,000,000,000. Throws FileError naming the file and its
// text when it holds anything else.
double largest_import_sum(const std::filesystem::path& appDir);

}  // namespace qdx
