// The seven reports over a damaged application folder: whatever the register
// files hold, a report either makes its table or refuses with FileError or
// ReportError; it never crashes, reads out of bounds or runs away.
//
// Input: a 7-byte header, then the register files one after another, each
// introduced by kFileMark:
//   byte 0     report (bits 0-2, modulo 7), full form (bit 3), affiliate
//              pages (bit 4), register the payments due (bit 5)
//   bytes 1-2  affiliate ID, little-endian, modulo the affiliates plus one
//   bytes 3-4  first day of the range, days after kFirstDay
//   bytes 5-6  length of the range in days
// A file the input does not reach is missing from the folder.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/app_state.h"
#include "core/platform/platform.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/settings.h"
#include "core/tree.h"
#include "fuzz/report_input.h"
#include "reports/report_export.h"
#include "reports/report_kinds.h"
#include "reports/reports.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kScratchPrefix = "qdx-fuzz-reports-";

// Folders of runs that ended without cleaning up: libFuzzer's child processes
// leave by _exit, and a crash or an out-of-memory skips atexit as well.
void remove_abandoned_folders(const fs::path& base) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(base, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kScratchPrefix, 0) != 0) continue;
        const long pid = std::strtol(name.c_str() + kScratchPrefix.size(), nullptr, 10);
        if (pid > 0 && !qdx::platform::process_running(pid)) fs::remove_all(entry.path(), ec);
    }
}

// A folder of our own for the whole run; emptied before every input.
const fs::path& scratch_folder() {
    static const fs::path folder = [] {
        fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        remove_abandoned_folders(base);
        fs::path f =
            base / (std::string(kScratchPrefix) + std::to_string(qdx::platform::process_id()));
        fs::remove_all(f);
        fs::create_directories(f);
        std::atexit([] { fs::remove_all(scratch_folder()); });
        return f;
    }();
    return folder;
}

void write_file(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The header's report numbers follow the order of the report kinds.
qdx::ReportRequest request(const qdx::fuzz::ReportInput& in, int32_t id) {
    qdx::ReportRequest r;
    r.kind = static_cast<qdx::ReportKind>(in.report);
    r.range = {in.datefrom, in.dateto};
    r.id = id;
    r.full = in.full;
    r.pages = in.pages;
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto input = qdx::fuzz::split_report_input(data, size);
    if (!input) return 0;

    const fs::path& app = scratch_folder();
    for (const auto& entry : fs::directory_iterator(app)) fs::remove_all(entry.path());
    qdx::AppState state(app);
    state.today = [] { return qdx::fuzz::kFirstDay + 4000.0; };
    fs::create_directories(state.dataDir());
    for (size_t k = 0; k < input->files.size(); ++k)
        write_file(state.dataFile(qdx::fuzz::kRegisterFiles[k]), input->files[k]);

    try {
        qdx::load_settings(state);
        // The ID box as the main window checks it.
        const int32_t count = qdx::count_affiliates(state);
        int32_t id = 0;
        if (qdx::check_report_id(state, std::to_string(input->id % (int64_t(count) + 1)), id) !=
            qdx::IdCheck::Ok)
            return 0;
        qdx::ReportTable table = qdx::make_report(state, request(*input, id));
        (void)qdx::export_text(table, '\t', state);
        if (input->report == 1 && input->registerPayments) qdx::register_payments(state, table);
    } catch (const qdx::FileError&) {
    } catch (const qdx::ReportError&) {
    }
    return 0;
}
