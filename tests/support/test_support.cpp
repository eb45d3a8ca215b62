#include "support/test_support.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "core/csv.h"
#include "core/files.h"
#include "core/record_file.h"

namespace qdx::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
#ifndef _WIN32
    std::string pattern = (fs::temp_directory_path() / "qdx-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    path_ = pattern;
#else
    // Windows has no mkdtemp: a random name, made only when it is new.
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / ("qdx-test-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("no temporary folder");
#endif
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

AffiliateRecord affiliate(int32_t id, int32_t referrer, int32_t level, double date,
                          const std::string& name) {
    AffiliateRecord r;
    r.name = name;
    r.id = id;
    r.referrerId = referrer;
    r.level = level;
    r.date = date;
    return r;
}

namespace {
template <class R>
void append_all(const fs::path& path, const std::vector<R>& records) {
    ensure_folder(path.parent_path());
    RecordFile f(path, R::kSize);
    std::vector<uint8_t> bytes(records.size() * R::kSize);
    for (size_t i = 0; i < records.size(); ++i) records[i].encode(bytes.data() + i * R::kSize);
    if (!records.empty()) f.writeBlock(f.count() + 1, bytes.data(), records.size());
}
}  // namespace

void write_affiliates(const AppState& state, const std::vector<AffiliateRecord>& records) {
    append_all(state.dataFile(file::kAffiliates), records);
}

void write_money(const AppState& state, const char* name, const std::vector<MoneyRecord>& records) {
    append_all(state.dataFile(name), records);
}

void write_refunds(const AppState& state, const std::vector<RefundRecord>& records) {
    append_all(state.dataFile(file::kRefunds), records);
}

void write_voids(const AppState& state, const std::vector<VoidRecord>& records) {
    append_all(state.dataFile(file::kVoids), records);
}

void write_settings(const AppState& state, const SettingsRecord& record) {
    ensure_folder(state.dataDir());
    RecordFile f(state.dataFile(file::kSettings), SettingsRecord::kSize);
    f.write(1, record);
}

SettingsRecord settings(const std::string& type, std::vector<float> levels, float minPayment) {
    SettingsRecord s;
    s.type = type;
    s.minPayment = minPayment;
    s.periodicity = 30;
    s.unit = std::string(1, '$');  // GCC 12 warns falsely of "$" assigned here
    for (size_t k = 0; k < levels.size() && k < 8; ++k) s.levels[k] = levels[k];
    return s;
}

void copy_example(const std::string& world, const fs::path& to) {
    fs::path from = fs::path(QDX_EXAMPLES_DIR) / world / "app";
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    for (auto& entry : fs::recursive_directory_iterator(to))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::map<std::string, std::string> files_under(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).generic_string()] = read_file(entry.path());
    return files;
}

std::map<std::string, std::string> data_files(const fs::path& app) {
    std::map<std::string, std::string> files;
    for (const char* folder : {"data", "addinfo", "comm"})
        if (fs::exists(app / folder))
            for (auto& [name, bytes] : files_under(app / folder))
                files[std::string(folder) + "/" + name] = std::move(bytes);
    return files;
}

std::vector<std::vector<std::string>> csv_rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    csv::read(text, ',', [&](csv::Record&& record) {
        rows.push_back(std::move(record.fields));
        return true;
    });
    return rows;
}

}  // namespace qdx::test
