// The repairs that cannot lose data, after a backup: an unfinished append
// finished, leftovers of a stopped run removed, a trailing fragment moved out
// of its register, Levels recomputed where no cycle lies above, the downline
// cache rebuilt. Everything else is left to the owner.
#include <cstring>
#include <system_error>

#include "core/app_state.h"
#include "core/downline_cache.h"
#include "core/files.h"
#include "core/history.h"
#include "core/import_journal.h"
#include "core/payment_runs.h"
#include "core/platform/platform.h"
#include "core/record_append.h"
#include "core/record_file.h"
#include "core/records.h"
#include "safety/backup.h"
#include "safety/check.h"

namespace qdx {

namespace fs = std::filesystem;

namespace {

bool any(const CheckReport& report, RepairKind kind) {
    for (const Finding& f : report.findings)
        if (f.kind == kind) return true;
    return false;
}

// Moves the bytes after the last whole record to data/<file>.fragment (a
// number added when that exists), then cuts the register back.
std::string move_fragment(const fs::path& appDir, const Finding& f, size_t length) {
    const fs::path path = appDir / f.file;
    const uint64_t size = fs::file_size(path);
    const uint64_t whole = size - size % length;
    const std::string bytes = read_whole_file(path);
    if (bytes.size() != size) throw FileError("Cannot read " + path.string());
    fs::path aside = path.string() + ".fragment";
    for (int n = 2; fs::exists(aside); ++n)
        aside = path.string() + ".fragment-" + std::to_string(n);
    write_file_atomically(aside, bytes.substr(whole));
    platform::File file;
    int err = file.open(path, platform::Mode::ReadWrite);
    if (err == 0) err = file.truncate(whole);
    if (err == 0) err = file.sync();
    if (err != 0)
        throw FileError("Cannot cut " + path.string() + " back: " + platform::error_text(err));
    file.close();
    const std::string done = "moved the " + std::to_string(size - whole) + " bytes after record " +
                             std::to_string(whole / length) + " of " + f.file + " to " +
                             fs::relative(aside, appDir).generic_string();
    write_history(appDir, path.stem().string(), static_cast<int64_t>(whole / length) + 1,
                  "repair: " + done);
    return done;
}

size_t record_length_of(const std::string& file) {
    if (file == "data/affiliates.qdx") return AffiliateRecord::kSize;
    if (file == "data/apsettings.qdx") return SettingsRecord::kSize;
    if (file == "data/communications.qdx") return CommunicationRecord::kSize;
    return MoneyRecord::kSize;
}

}  // namespace

RepairOutcome repair_data(const fs::path& appDir, const CheckReport& first, Progress& progress) {
    RepairOutcome outcome;
    bool repairable = false;
    for (const Finding& f : first.findings)
        repairable = repairable || f.kind != RepairKind::Nothing;
    if (!repairable) {
        outcome.left = first.findings;
        return outcome;
    }
    for (const Finding& f : first.findings)
        if (f.kind == RepairKind::FinishRestore) {
            // The restored set was checked whole before it was put in place.
            write_history(appDir, "", 0, "repair: finished the stopped restore");
            finish_interrupted_restore(appDir);
            outcome.done.push_back("finished the stopped restore");
        }
    outcome.backup = automatic_backup(appDir, "repair", progress);
    outcome.done.push_back("backed up the data to " + outcome.backup.string());

    // What a stopped run left, first: finishing an append changes a file's length.
    for (const Finding& f : first.findings) {
        if (f.kind == RepairKind::FinishAppend) {
            const std::string name = fs::path(f.file).filename().string();
            const std::string target = name.substr(1, name.size() - 1 - std::strlen(".qdx-append"));
            write_history(appDir, fs::path(target).stem().string(), 0,
                          "repair: finished the stopped append to data/" + target);
            recover_interrupted_append(appDir / "data" / target, true);
            outcome.done.push_back("finished the stopped append to data/" + target);
        } else if (f.kind == RepairKind::RemoveLeftover) {
            write_history(appDir, "", 0, "repair: removed " + f.file);
            std::error_code ec;
            fs::remove_all(appDir / f.file, ec);
            if (ec) throw FileError("Cannot remove " + f.file + ": " + ec.message());
            outcome.done.push_back("removed " + f.file);
        }
    }
    // A stopped import is finished once its register is as it stays.
    for (const Finding& f : first.findings)
        if (f.kind == RepairKind::FinishImport) {
            const bool run = f.file.find(file::kPaymentRuns) != std::string::npos;
            const std::string what = run ? "payment run" : "import";
            write_history(appDir, "", 0, "repair: finished the stopped " + what);
            if (run)
                recover_pending_import(appDir / "data", file::kPaymentRuns);
            else
                recover_pending_import(appDir / "data");
            outcome.done.push_back("finished the stopped " + what);
        }
    CheckReport now = check_data(appDir, progress);
    for (const Finding& f : now.findings)
        if (f.kind == RepairKind::MoveFragment)
            outcome.done.push_back(move_fragment(appDir, f, record_length_of(f.file)));

    // Levels, from the top of each tree down: a check after each pass finds
    // the next generation whose referrer's Level has changed.
    for (int pass = 0; pass < 64; ++pass) {
        now = check_data(appDir, progress);
        if (!any(now, RepairKind::RecomputeLevel)) break;
        RecordFile affiliates(appDir / "data" / file::kAffiliates, AffiliateRecord::kSize);
        for (const Finding& f : now.findings) {
            if (f.kind != RepairKind::RecomputeLevel) continue;
            AffiliateRecord r = affiliates.read<AffiliateRecord>(f.record);
            const int32_t before = r.level;
            r.level = static_cast<int32_t>(f.value);
            write_history(
                appDir, "affiliates", f.record,
                "repair: Level: " + std::to_string(before) + " → " + std::to_string(r.level));
            affiliates.write(f.record, r);
            outcome.done.push_back("set the Level of affiliate " + std::to_string(f.record) +
                                   " from " + std::to_string(before) + " to " +
                                   std::to_string(r.level));
        }
    }
    now = check_data(appDir, progress);
    if (any(now, RepairKind::RebuildCache)) {
        write_history(appDir, "", 0, "repair: rebuilt the downline cache");
        rebuild_downline_cache(AppState(appDir), progress);
        outcome.done.push_back("rebuilt the downline cache");
        now = check_data(appDir, progress);
    }
    outcome.left = std::move(now.findings);
    return outcome;
}

}  // namespace qdx
