#pragma once
// Helpers for tests: temporary application folders and record writers.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/corrections.h"
#include "core/record_file.h"
#include "core/records.h"

namespace qdx::test {

// A fresh empty folder under the system's temporary folder, removed on destruction.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// An affiliate with the given referrer, level and registration date.
AffiliateRecord affiliate(int32_t id, int32_t referrer, int32_t level, double date,
                          const std::string& name = "Ann");

// Appends records to a data file of the application folder (creating data/).
void write_affiliates(const AppState& state, const std::vector<AffiliateRecord>& records);
void write_money(const AppState& state, const char* file, const std::vector<MoneyRecord>& records);
void write_refunds(const AppState& state, const std::vector<RefundRecord>& records);
void write_voids(const AppState& state, const std::vector<VoidRecord>& records);
void write_settings(const AppState& state, const SettingsRecord& record);
SettingsRecord settings(const std::string& type, std::vector<float> levels, float minPayment = 0);

// Copies an example application folder to `to` (files writable).
void copy_example(const std::string& world, const std::filesystem::path& to);
std::string read_file(const std::filesystem::path& path);
// Every file under `folder` with its bytes, by its path there ('/' between folders).
std::map<std::string, std::string> files_under(const std::filesystem::path& folder);
// Those of data/, addinfo/ and comm/ of an application folder, by their path in it.
std::map<std::string, std::string> data_files(const std::filesystem::path& app);

// The message of the `Error` that `work` throws; empty when it throws none.
template <class Error, class Work>
std::string error_of(Work work) {
    try {
        work();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

// Every record of a register file, in record order.
template <class R>
std::vector<R> read_records(const std::filesystem::path& path) {
    RecordFile f(path, R::kSize);
    std::vector<R> all;
    for (int64_t k = 1; k <= f.count(); ++k) all.push_back(f.read<R>(k));
    return all;
}

// The fields of each record of a comma-separated text, as a spreadsheet reads them.
std::vector<std::vector<std::string>> csv_rows(const std::string& text);

}  // namespace qdx::test
