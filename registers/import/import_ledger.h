#pragma once
// The import ledger, data/imports.ledger: one line per imported file,
// "<size> <hash> <yyyy-mm-dd> <register> <first>..<last>", so that the same
// file brought in twice is noticed. The hash tells files apart; it guards
// against mistakes, not against anyone forging a file.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/app_state.h"

namespace qdx {

struct LedgerEntry {
    uint64_t size = 0;
    std::string hash;
    std::string date;  // yyyy-mm-dd
    std::string registerName;
    int64_t first = 0, last = 0;  // the records written
};

std::filesystem::path ledger_file(const AppState& state);
// The hash of a file's bytes, in hexadecimal.
std::string file_hash(std::string_view bytes);
// The entry of an earlier import of the same bytes into the same register.
std::optional<LedgerEntry> find_in_ledger(const AppState& state, uint64_t size,
                                          const std::string& hash, const std::string& registerName);
// The entry of a ledger line; none when the line is not of that form.
std::optional<LedgerEntry> parse_ledger_line(const std::string& line);
// The entry's line, without its line end.
std::string ledger_line(const LedgerEntry& entry);
// Adds an entry; throws FileError.
void add_to_ledger(const AppState& state, const LedgerEntry& entry);

}  // namespace qdx
