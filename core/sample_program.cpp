#include "core/sample_program.h"

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/records.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

const char* const kNames[] = {"Anna",  "Ben",  "Carla", "David", "Eva",  "Frank",
                              "Greta", "Hugo", "Ines",  "Jonas", "Kai",  "Lena",
                              "Marco", "Nora", "Oskar", "Paula", "Rafa", "Sara"};
const char* const kSurnames[] = {"Smith", "Novak",  "Jensen", "Rossi",  "Garcia",
                                 "Meyer", "Dubois", "Kowal",  "Larsen", "Silva"};

AffiliateRecord make_affiliate(int32_t id, int32_t referrer, int32_t level, double date,
                               std::mt19937& rng) {
    AffiliateRecord a;
    a.name = kNames[rng() % std::size(kNames)];
    a.surname = kSurnames[rng() % std::size(kSurnames)];
    a.street = std::to_string(1 + rng() % 300) + " Main Street";
    a.city = "Springfield";
    a.postCod = std::to_string(10000 + rng() % 89999);
    a.country = "UK";
    a.phone = "+44 " + std::to_string(100000000 + rng() % 899999999);
    a.email = "user" + std::to_string(id) + "@example.com";
    a.id = id;
    a.referrerId = referrer;
    a.level = level;
    a.date = date;
    return a;
}

// Writes records in blocks of a few thousand so a million never sits in memory twice.
template <class R, class Make>
void write_in_blocks(const fs::path& path, int64_t count, Make make) {
    remove_if_exists(path);
    RecordFile f(path, R::kSize);
    const int64_t block = 8192;
    std::vector<uint8_t> bytes(static_cast<size_t>(block) * R::kSize);
    for (int64_t first = 1; first <= count; first += block) {
        int64_t n = std::min(block, count - first + 1);
        for (int64_t i = 0; i < n; ++i) make(first + i).encode(bytes.data() + i * R::kSize);
        f.writeBlock(first, bytes.data(), static_cast<size_t>(n));
    }
}

// Referrer of a new affiliate: mostly a recent one (networks grow in bursts),
// sometimes anyone earlier, sometimes nobody; never deeper than maxDepth.
int32_t pick_referrer(int32_t id, const std::vector<int32_t>& levels, int32_t maxDepth,
                      std::mt19937& rng) {
    if (id == 1 || rng() % 20 == 0) return 0;
    int32_t candidate = rng() % 2 ? id - 1 - static_cast<int32_t>(rng() % std::min(id - 1, 50))
                                  : 1 + static_cast<int32_t>(rng() % (id - 1));
    return levels[static_cast<size_t>(candidate)] >= maxDepth ? 0 : candidate;
}

}  // namespace

void write_sample_program(const fs::path& appDir, const SampleShape& shape) {
    AppState state(appDir);
    ensure_folder(state.dataDir());
    std::mt19937 rng(shape.seed);
    std::vector<int32_t> levels(static_cast<size_t>(shape.affiliates) + 1, 0);
    const double span = shape.days;
    write_in_blocks<AffiliateRecord>(
        state.dataFile(file::kAffiliates), shape.affiliates, [&](int64_t k) {
            auto id = static_cast<int32_t>(k);
            int32_t referrer = pick_referrer(id, levels, shape.maxDepth, rng);
            int32_t level = referrer ? levels[static_cast<size_t>(referrer)] + 1 : 1;
            levels[static_cast<size_t>(id)] = level;
            double date = shape.firstDay + std::floor(span * k / (shape.affiliates + 1.0));
            return make_affiliate(id, referrer, level, date, rng);
        });
    auto money = [&](int64_t, float scale) {
        MoneyRecord m;
        m.affiliateId = 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(shape.affiliates));
        m.sum = static_cast<float>(rng() % 100000) / 100.0f * scale;
        m.date = shape.firstDay + static_cast<double>(rng() % static_cast<uint32_t>(shape.days));
        return m;
    };
    write_in_blocks<MoneyRecord>(state.dataFile(file::kSales), shape.sales,
                                 [&](int64_t k) { return money(k, 1.0f); });
    write_in_blocks<MoneyRecord>(state.dataFile(file::kPayments), shape.payments,
                                 [&](int64_t k) { return money(k, 0.2f); });
    if (shape.writeSettings) {
        SettingsRecord s;
        s.type = "Percents";
        s.minPayment = 50;
        s.periodicity = 30;
        s.unit = "$";
        s.levels = {10, 5, 3, 2, 1, 1, 0.5f, 0.5f};
        remove_if_exists(state.dataFile(file::kSettings));
        RecordFile(state.dataFile(file::kSettings), SettingsRecord::kSize).write(1, s);
    }
}

void append_sample_affiliates(const fs::path& appDir, int32_t count, uint32_t seed) {
    AppState state(appDir);
    RecordFile f(state.dataFile(file::kAffiliates), AffiliateRecord::kSize);
    std::mt19937 rng(seed);
    int64_t n = f.count();
    for (int32_t i = 1; i <= count; ++i) {
        auto id = static_cast<int32_t>(n + i);
        int32_t referrer = 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(id - 1));
        int32_t level = f.read<AffiliateRecord>(referrer).level + 1;
        double date = f.read<AffiliateRecord>(id - 1).date;
        f.write(id, make_affiliate(id, referrer, level, date, rng));
    }
}

}  // namespace qdx
