#include "core/hold_period.h"

#include <charconv>

#include "core/atomic_file.h"
#include "core/files.h"
#include "core/history.h"
#include "core/record_file.h"

namespace qdx {

namespace {

std::filesystem::path hold_file(const std::filesystem::path& appDir) {
    return appDir / "data" / kHoldDaysFile;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string days_text(int32_t days) {
    return std::to_string(days) + (days == 1 ? " day" : " days");
}

// What a stored or typed text is shown as: control characters as "?", so
// that a damaged file cannot garble the message, and long texts cut.
std::string shown(std::string_view text) {
    constexpr size_t kShownAtMost = 40;
    std::string out;
    for (size_t i = 0; i < text.size() && i < kShownAtMost; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        out += c < 0x20 || c == 0x7f ? '?' : static_cast<char>(c);
    }
    if (text.size() > kShownAtMost) out += "...";
    return out;
}

}  // namespace

std::optional<int32_t> parse_hold_days(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || text.size() > 5) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    int32_t days = 0;
    std::from_chars(text.data(), text.data() + text.size(), days);
    if (days > kMostHoldDays) return std::nullopt;
    return days;
}

std::string hold_days_refusal(std::string_view typed) {
    return "Commissions payable after: \"" + shown(typed) +
           "\" is not a whole number of days from 0 to " + std::to_string(kMostHoldDays) +
           ". Type the days after which a sale's commissions are payable (0: in the period "
           "they are earned).";
}

int32_t load_hold_days(const std::filesystem::path& appDir) {
    const auto path = hold_file(appDir);
    if (!file_exists(path)) return 0;
    const std::string text = read_whole_file(path);
    if (const auto days = parse_hold_days(text)) return *days;
    throw FileError(path.string() + " holds \"" + shown(trimmed(text)) +
                    "\": expected the days after which commissions are payable, a whole number "
                    "from 0 to " +
                    std::to_string(kMostHoldDays) +
                    ". Enter the hold again in the AP Settings window.");
}

bool save_hold_days(const std::filesystem::path& appDir, int32_t days) {
    const auto path = hold_file(appDir);
    std::optional<int32_t> before;
    std::string was = "none";
    if (file_exists(path)) {
        const std::string text = read_whole_file(path);
        before = parse_hold_days(text);
        was = before ? days_text(*before) : "\"" + shown(trimmed(text)) + "\"";
        if (before == days) return false;
    } else if (days == 0) {
        return false;
    }
    write_history(appDir, "hold_days", 0,
                  "saved: Commissions payable after: " + was + " → " + days_text(days));
    ensure_folder(appDir / "data");
    AtomicFile out(path);
    out.write(std::to_string(days) + "\r\n");
    out.commit();
    return true;
}

std::string hold_caption(int32_t days) {
    if (days <= 0) return {};
    return "(commissions held " + days_text(days) + ")";
}

}  // namespace qdx
