#include "core/settings.h"

#include "core/files.h"
#include "core/record_file.h"
#include "core/records.h"
#include "core/text_field.h"

namespace qdx {

int32_t highest_rewarded_level(const Settings& settings) {
    for (int32_t k = 8; k >= 1; --k)
        if (settings.rewards[static_cast<size_t>(k)] > 0) return k;
    return 0;
}

void load_settings(AppState& state) {
    auto path = state.dataFile(file::kSettings);
    if (!file_exists(path)) return;
    RecordFile f(path, SettingsRecord::kSize);
    if (f.count() == 0) return;
    auto r = f.read<SettingsRecord>(1);
    Settings& s = state.settings;
    std::string_view type = trim(r.type);
    if (type == "Percents") s.payType = 1;
    if (type == "Fixed") s.payType = 2;
    s.minPayment = r.minPayment;
    s.periodicity = r.periodicity;
    for (size_t k = 1; k <= 8; ++k) s.rewards[k] = r.levels[k - 1];
    if (int32_t top = highest_rewarded_level(s)) s.levelsInUse = top;
}

}  // namespace qdx
