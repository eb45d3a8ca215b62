// Importing 1,000,000 sales rows and 100,000 affiliates in a referral chain
// from CSV, against the time to read the CSV file once. QDX_BENCH_SCALE (a
// divisor) shrinks both.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "core/csv.h"
#include "core/files.h"
#include "core/ole_date.h"
#include "core/record_file.h"
#include "core/records.h"
#include "registers/import/csv_import.h"

namespace qdx::bench {
namespace {

namespace fs = std::filesystem;

long scaled(long full) {
    long scale = 1;
    if (const char* s = std::getenv("QDX_BENCH_SCALE")) scale = std::max(1L, std::atol(s));
    return std::max(1L, full / scale);
}

constexpr int32_t kAffiliates = 1000;

// The files to import, written once and kept in the temporary folder.
fs::path generated(const std::string& name, long rows, bool affiliates) {
    const fs::path dir = fs::temp_directory_path() / "qdx-bench-import";
    const fs::path file = dir / (name + "-" + std::to_string(rows) + ".csv");
    if (file_exists(file)) return file;
    fs::create_directories(dir);
    std::string text = affiliates ? "Name,Surname,E_mail,Referrer's ID,Date\r\n"
                                  : "affiliate_id,date,sum,details\r\n";
    for (long i = 0; i < rows; ++i) {
        const std::string day = "2003-" + std::string(i % 12 < 9 ? "0" : "") +
                                std::to_string(i % 12 + 1) + "-" + std::to_string(10 + i % 18);
        if (affiliates) {
            // Each one referred by the one before: the chain the file builds itself.
            text += "Name" + std::to_string(i) + ",\"Surname, Jr\",a" + std::to_string(i) +
                    "@example.com," + std::to_string(i == 0 ? 0 : kAffiliates + i) + "," + day +
                    "\r\n";
        } else {
            text += std::to_string(1 + i % kAffiliates) + "," + day + "," +
                    std::to_string(i % 500) + "." + std::to_string(i % 100) + "," +
                    (i % 100 == 0 ? "\"order, gift\"" : "") + "\r\n";
        }
    }
    write_file_atomically(file, text);
    return file;
}

// An application folder with kAffiliates roots and nothing else.
AppState fresh_app(const char* tag) {
    AppState state(fs::temp_directory_path() / ("qdx-bench-import-app-" + std::string(tag)));
    fs::remove_all(state.appDir);
    fs::create_directories(state.dataDir());
    RecordFile affiliates(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    std::vector<uint8_t> bytes(AffiliateRecord::kSize * kAffiliates);
    for (int32_t id = 1; id <= kAffiliates; ++id) {
        AffiliateRecord r;
        r.name = "Root";
        r.id = id;
        r.level = 1;
        r.date = ole_from_ymd(2003, 1, 1);
        r.encode(bytes.data() + (id - 1) * AffiliateRecord::kSize);
    }
    affiliates.writeBlock(1, bytes.data(), kAffiliates);
    return state;
}

void import_each_time(benchmark::State& st, ImportKind kind, const fs::path& file) {
    for (auto _ : st) {
        st.PauseTiming();
        AppState state = fresh_app("run");
        st.ResumeTiming();
        const ImportPlan plan = plan_import(state, kind, file, {});
        if (!plan.importable()) st.SkipWithError("the generated file does not import");
        benchmark::DoNotOptimize(run_import(state, plan).records);
    }
}

void BM_ReadSalesCsvOnce(benchmark::State& st) {
    const fs::path file = generated("sales", scaled(1000000), false);
    for (auto _ : st) {
        std::ifstream in(file, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_ReadSalesCsvOnce)->Unit(benchmark::kMillisecond);

void BM_ParseSalesCsv(benchmark::State& st) {
    const fs::path file = generated("sales", scaled(1000000), false);
    const std::string bytes = read_whole_file(file);
    for (auto _ : st) {
        size_t fields = 0;
        csv::read(bytes, ',', [&](csv::Record&& r) {
            fields += r.fields.size();
            return true;
        });
        benchmark::DoNotOptimize(fields);
    }
}
BENCHMARK(BM_ParseSalesCsv)->Unit(benchmark::kMillisecond);

void BM_ImportSales(benchmark::State& st) {
    import_each_time(st, ImportKind::Sales, generated("sales", scaled(1000000), false));
}
BENCHMARK(BM_ImportSales)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ImportAffiliateChain(benchmark::State& st) {
    import_each_time(st, ImportKind::Affiliates, generated("affiliates", scaled(100000), true));
}
BENCHMARK(BM_ImportAffiliateChain)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace qdx::bench
