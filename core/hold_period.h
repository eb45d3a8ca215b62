#pragma once
// The hold period: commissions become payable a number of days after the
// sale that earns them, so that a refund within those days lowers them
// before they are paid. Kept beside the settings record, in
// data/hold_days.txt, as one whole number of days (0..3650); no file means
// no hold. Only the payments-due report applies it: over From..To it counts
// the sales dated N days earlier (From-N..To-N), the refunds on the later of
// their date and the day their sale becomes payable, and the payments and
// voids of From..To themselves, so that every sale and every refund counts
// in exactly one period of a run of consecutive periods, and a refund made
// while its sale is held lowers the commission before it is paid.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qdx {

inline constexpr const char* kHoldDaysFile = "hold_days.txt";
inline constexpr int32_t kMostHoldDays = 3650;

// The days as typed or stored: digits only, blanks around them allowed,
// 0..kMostHoldDays; nothing for anything else.
std::optional<int32_t> parse_hold_days(std::string_view text);

// The message for a typed hold that parse_hold_days refuses: it names the
// value, the box and what is expected.
std::string hold_days_refusal(std::string_view typed);

// The stored hold; 0 without the file. A file that does not hold such a
// number throws FileError naming the file, what it holds and what is
// expected, so that nothing is paid on a hold nobody chose.
int32_t load_hold_days(const std::filesystem::path& appDir);

// Stores the hold when it differs from the stored one (a damaged file counts
// as different), noting the change in the history first; with no file and
// 0 days nothing is written. The file is replaced whole. Throws FileError
// (HistoryError when the history cannot take the line: nothing is stored).
// Answers whether anything was written.
bool save_hold_days(const std::filesystem::path& appDir, int32_t days);

// "(commissions held 30 days)" for the payments-due caption; empty for 0.
std::string hold_caption(int32_t days);

}  // namespace qdx
