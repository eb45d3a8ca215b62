// qdx-demo: writes a fresh demo affiliate program into an application folder.
//   qdx-demo [--seed N] [--affiliates N] [--last-day YYYY-MM-DD] DIR
#include <charconv>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "core/demo_program.h"
#include "core/files.h"
#include "core/ole_date.h"

namespace {

const char* const kUsage =
    "usage: qdx-demo [--seed N] [--affiliates N] [--last-day YYYY-MM-DD] DIR\n"
    "Writes a demo affiliate program (settings, affiliates, a year of sales and payments up to\n"
    "the last day, default today, and communications) into the application folder DIR.\n"
    "  --help      this text\n"
    "  --version   the program's version\n";

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

}  // namespace

int main(int argc, char** argv) {
    qdx::cli::CommandLine line("qdx-demo", kUsage);
    std::optional<std::string> seed, affiliates, lastDay;
    std::vector<std::string> folders;
    line.value("seed", seed);
    line.value("affiliates", affiliates);
    line.value("last-day", lastDay);
    line.positionals(folders);
    if (auto done = line.parse(argc, argv)) return *done;
    auto fail = [&](const std::string& message) { return line.usage_error(message); };

    qdx::DemoOptions options;
    options.lastDay = qdx::today_ole();
    if (seed) {
        auto n = whole_number<uint32_t>(*seed);
        if (!n) return fail("the seed must be a whole number");
        options.seed = *n;
    }
    if (affiliates) {
        auto n = whole_number<int32_t>(*affiliates);
        if (!n || *n < 1) return fail("the number of affiliates must be 1 or more");
        options.affiliates = *n;
    }
    if (lastDay) {
        auto day = iso_date(*lastDay);
        if (!day) return fail("the last day must be a date like 2025-12-31");
        options.lastDay = *day;
    }
    if (folders.size() > 1) return fail("only one folder, please");
    const std::string folder = folders.empty() ? std::string() : folders[0];
    if (folder.empty()) return fail("which folder?");

    // Never write over somebody's records.
    if (qdx::file_exists(std::filesystem::path(folder) / "data" / "affiliates.qdx"))
        return fail(folder + " already holds an affiliate program; choose a new folder");
    try {
        qdx::DemoSummary made = qdx::write_demo_program(folder, options);
        std::printf(
            "Demo program written to %s: %d affiliates, %lld sales, %lld payments, "
            "%lld communications, %lld refunds; the last payment run reversed by %lld voids.\n",
            folder.c_str(), made.affiliates, static_cast<long long>(made.sales),
            static_cast<long long>(made.payments), static_cast<long long>(made.communications),
            static_cast<long long>(made.refunds), static_cast<long long>(made.voids));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qdx-demo: %s\n", e.what());
        return 1;
    }
    return 0;
}
