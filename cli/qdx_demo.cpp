// qdx-demo: writes a fresh demo affiliate program into an application folder.
//   qdx-demo [--seed N] [--affiliates N] [--last-day YYYY-MM-DD] DIR
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "core/demo_program.h"
#include "core/files.h"
#include "core/ole_date.h"

namespace {

const char* const kUsage =
    "usage: qdx-demo [--seed N] [--affiliates N] [--last-day YYYY-MM-DD] DIR\n"
    "Writes a demo affiliate program (settings, affiliates, a year of sales and payments up to\n"
    "the last day, default today, and communications) into the application folder DIR.\n";

template <class T>
std::optional<T> whole_number(std::string_view text) {
    T value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> iso_date(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    auto y = whole_number<int>(text.substr(0, 4));
    auto m = whole_number<int>(text.substr(5, 2));
    auto d = whole_number<int>(text.substr(8, 2));
    if (!y || !m || !d || !qdx::is_valid_ymd(*y, *m, *d)) return std::nullopt;
    return qdx::ole_from_ymd(*y, *m, *d);
}

int fail(const std::string& message) {
    std::fprintf(stderr, "qdx-demo: %s\n%s", message.c_str(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    qdx::DemoOptions options;
    options.lastDay = qdx::today_ole();
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        const bool takesValue = arg == "--seed" || arg == "--affiliates" || arg == "--last-day";
        if (takesValue && i + 1 >= argc) return fail(std::string(arg) + " needs a value");
        if (arg == "--seed") {
            auto seed = whole_number<uint32_t>(argv[++i]);
            if (!seed) return fail("the seed must be a whole number");
            options.seed = *seed;
        } else if (arg == "--affiliates") {
            auto n = whole_number<int32_t>(argv[++i]);
            if (!n || *n < 1) return fail("the number of affiliates must be 1 or more");
            options.affiliates = *n;
        } else if (arg == "--last-day") {
            auto day = iso_date(argv[++i]);
            if (!day) return fail("the last day must be a date like 2025-12-31");
            options.lastDay = *day;
        } else if (!arg.empty() && arg[0] == '-') {
            return fail("unknown option " + std::string(arg));
        } else if (folder.empty()) {
            folder = arg;
        } else {
            return fail("only one folder, please");
        }
    }
    if (folder.empty()) return fail("which folder?");

    // Never write over somebody's records.
    if (qdx::file_exists(std::filesystem::path(folder) / "data" / "affiliates.qdx"))
        return fail(folder + " already holds an affiliate program; choose a new folder");
    try {
        qdx::DemoSummary made = qdx::write_demo_program(folder, options);
        std::printf(
            "Demo program written to %s: %d affiliates, %lld sales, %lld payments, "
            "%lld communications.\n",
            folder.c_str(), made.affiliates, static_cast<long long>(made.sales),
            static_cast<long long>(made.payments), static_cast<long long>(made.communications));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qdx-demo: %s\n", e.what());
        return 1;
    }
    return 0;
}
