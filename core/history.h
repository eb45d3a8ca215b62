#pragma once
// The history of changes, data/history.log: UTF-8 text, one line per change,
// only ever appended. Each line is the time with its UTC offset, the login
// name, the program, the register, the record number and what happened,
// separated by tabs:
//   2026-12-07T01:40:00+01:00<TAB>ann<TAB>Qdx<TAB>affiliates<TAB>7<TAB>saved: Name: Ann → Anna
// A line is written and synced before the change it tells of is made; a
// line that cannot be written stops the change (HistoryError).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/record_file.h"
#include "core/records.h"

namespace qdx {

struct HistoryError : FileError {
    using FileError::FileError;
};

std::filesystem::path history_file(const std::filesystem::path& appDir);

// Appends one line (a line cut by a kill is ended first). `what` is UTF-8;
// tabs and line breaks in it become blanks. Throws HistoryError.
void write_history(const std::filesystem::path& appDir, std::string_view registerName,
                   int64_t record, std::string_view what);

// Throws HistoryError when the log could not take a line now (it, or its
// folder, cannot be written); creates nothing. For changes that note
// themselves once made (an append that a stop takes back whole).
void check_history_writable(const std::filesystem::path& appDir);

// What changed between two records, as "Field: before → after; ..." in
// UTF-8; empty when nothing did. A missing `before` lists every field.
std::string record_changes(const AffiliateRecord* before, const AffiliateRecord& after);
std::string record_changes(const MoneyRecord* before, const MoneyRecord& after);
std::string record_changes(const CommunicationRecord* before, const CommunicationRecord& after);
std::string record_changes(const SettingsRecord* before, const SettingsRecord& after);

// Notes the save of record k in `file` (the register named after the file):
// "created" when k is beyond the file, else "saved" with the changed fields.
// Called before the record is written. Throws HistoryError.
template <class R>
void log_record_save(const std::filesystem::path& appDir, const RecordFile& file, int64_t k,
                     const R& record) {
    std::optional<R> before;
    if (k >= 1 && k <= file.count()) before = file.read<R>(k);
    const std::string changes = record_changes(before ? &*before : nullptr, record);
    std::string name = file.path().stem().string();
    write_history(
        appDir, name, k,
        (before ? "saved: " : "created: ") + (changes.empty() ? "no field changed" : changes));
}

// The time now as the log writes it, with its UTC offset.
std::string history_now();

// A date as the log writes it, yyyy-mm-dd ("?" and the number when damaged).
std::string history_date(double oleDate);

// One line of the log as read back.
struct HistoryLine {
    std::string time, user, program, registerName;
    int64_t record = 0;
    std::string what;
    bool cut = false;  // the last line, cut short by a stop: shown as it is
};

// The lines of the log's text; a line that is not of the log's form is kept
// whole in `what` with the other fields empty.
std::vector<HistoryLine> parse_history(std::string_view text);

// The day of a line's time, "yyyy-mm-dd", or empty.
std::string history_day(const HistoryLine& line);

}  // namespace qdx
