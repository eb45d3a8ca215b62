#pragma once
// The state the program shares between its windows and operations: the
// application folder, the six message texts, the program settings and the
// regional settings. (A report's range travels in its request.) The application owns one
// instance and passes it on; tests make as many as they like.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "core/regional.h"

namespace qdx {

struct Messages {
    std::string enterData, incorrectValue, noRecord, noAffiliate, createRecord, selectValue;

    void setStartupWording();
    // The wording the communications window puts in force for the whole run.
    void setVariantWording();
};

// Filled by load_settings; all zero until a settings record is loaded.
struct Settings {
    int16_t payType = 0;  // 1 Percents, 2 Fixed, 0 not loaded
    float minPayment = 0;
    int16_t periodicity = 0;
    std::array<float, 9> rewards{};  // rewards[1..8]; rewards[0] stays 0
    int32_t levelsInUse = 0;
};

// Names of the files under the application folder.
namespace file {
constexpr const char* kAffiliates = "affiliates.qdx";
constexpr const char* kSettings = "apsettings.qdx";
constexpr const char* kSales = "sales.qdx";
constexpr const char* kPayments = "payments.qdx";
constexpr const char* kCommunications = "communications.qdx";
constexpr const char* kActivity = "activity.qdx";
constexpr const char* kAccounts = "accounts.qdx";
}  // namespace file

struct AppState {
    std::filesystem::path appDir;
    Messages messages;
    Settings settings;
    Regional regional;
    std::function<double()> today;  // OLE date of today; the system clock unless a test sets it

    explicit AppState(std::filesystem::path folder = {});

    std::filesystem::path dataDir() const { return appDir / "data"; }
    std::filesystem::path dataFile(const char* name) const { return dataDir() / name; }
    std::filesystem::path workFile(const char* name) const { return appDir / name; }
};

}  // namespace qdx
