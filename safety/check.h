#pragma once
// The check of an application folder: every record file read once, the
// referral tree walked once, the side files, the downline cache, the import
// ledger and whatever a killed run left behind. It changes nothing; each
// finding names the file, the record, the field, what is wrong and what the
// repair would do. repair_data then applies only the repairs that cannot
// lose data, after a backup, and lists the rest for the owner.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/progress.h"

namespace qdx {

// What --repair does about a finding; Nothing leaves it to the owner.
enum class RepairKind {
    Nothing,
    MoveFragment,    // the trailing bytes go to data/<file>.fragment
    RecomputeLevel,  // Level from the referrers (no cycle above)
    RebuildCache,    // the downline cache rebuilt from the affiliates file
    FinishAppend,    // the file cut back to the journal's length, the journal removed
    RemoveLeftover,  // a temporary or staging file removed
    FinishRestore,   // the unpacked data of a stopped restore put in place
    FinishImport,    // a stopped import's ledger line written, or its side files removed
};

struct Finding {
    std::string file;    // relative to the application folder, with '/'
    int64_t record = 0;  // 0 when the finding is about the whole file
    std::string field;   // "" when about the whole record or file
    std::string problem;
    std::string repair;  // what the repair does, or what the owner must decide
    RepairKind kind = RepairKind::Nothing;
    int64_t value = 0;  // RecomputeLevel: the Level the repair writes
};

struct CheckReport {
    std::vector<Finding> findings;
    int64_t affiliates = 0, sales = 0, payments = 0, communications = 0, refunds = 0, voids = 0;
    bool clean() const { return findings.empty(); }
};

// Reads the folder; throws FileError only when a file cannot be read at all.
CheckReport check_data(const std::filesystem::path& appDir, Progress& progress);
inline CheckReport check_data(const std::filesystem::path& appDir) {
    Progress none;
    return check_data(appDir, none);
}

// One finding as a line: "data/affiliates.qdx, record 7, Level: ... Repair: ...".
std::string finding_line(const Finding& f);

struct RepairOutcome {
    std::filesystem::path backup;   // the backup made first
    std::vector<std::string> done;  // what was repaired, one line each
    std::vector<Finding> left;      // what the owner must decide
};

// Makes a backup into backups/, then repairs what `report` found that can
// be repaired without losing data; writes each repair into the history.
// Throws FileError (nothing repaired when the backup failed).
RepairOutcome repair_data(const std::filesystem::path& appDir, const CheckReport& report,
                          Progress& progress);

}  // namespace qdx
