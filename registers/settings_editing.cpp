#include "registers/settings_editing.h"

#include <algorithm>

#include "core/atomic_file.h"
#include "core/files.h"
#include "core/record_file.h"
#include "core/regional.h"
#include "core/text_field.h"

namespace qdx {

namespace {
constexpr const char* kTypes[] = {"Percents", "Fixed"};
}

std::string level_box_name(int level) { return "txtLevel" + std::to_string(level); }

CheckResult check_settings(const SettingsBoxes& b, const Regional& regional) {
    if (b.minPayment.empty()) return CheckFailure{Msg::EnterData, "txtMinPayment"};
    if (b.periodicity.empty()) return CheckFailure{Msg::EnterData, "txtPeriodicity"};
    if (b.unit.empty()) return CheckFailure{Msg::EnterData, "txtUnit"};
    if (b.typeIndex != 0 && b.typeIndex != 1) return CheckFailure{Msg::SelectValue, "cmbType"};
    if (b.levels[0].empty()) return CheckFailure{Msg::EnterData, level_box_name(1)};
    // Every number must convert: the minimal payment, the levels, then the periodicity.
    if (!parse_single(b.minPayment, regional)) {
        return CheckFailure{Msg::IncorrectValue, "txtMinPayment"};
    }
    for (int k = 0; k < 8; ++k) {
        if (!parse_single(b.levels[k], regional)) {
            return CheckFailure{Msg::IncorrectValue, level_box_name(k + 1)};
        }
    }
    if (!parse_integer(b.periodicity, regional)) {
        return CheckFailure{Msg::IncorrectValue, "txtPeriodicity"};
    }
    // Lower levels may earn nothing, but the seller always earns.
    if (*parse_single(b.levels[0], regional) == 0) {
        return CheckFailure{Msg::IncorrectValue, level_box_name(1)};
    }
    return std::nullopt;
}

SettingsRecord settings_from_boxes(const SettingsBoxes& b, const Regional& regional) {
    SettingsRecord r;
    r.type = fit_field(kTypes[b.typeIndex == 1 ? 1 : 0], width::kSettingsType);
    r.unit = fit_field(b.unit, width::kUnit);
    r.minPayment = parse_single(b.minPayment, regional).value_or(0);
    r.periodicity = parse_integer(b.periodicity, regional).value_or(0);
    for (int k = 0; k < 8; ++k) r.levels[k] = parse_single(b.levels[k], regional).value_or(0);
    return r;
}

std::string settings_header_line() {
    return "Type of payment;MinPayment;Periodicity;Unit;L1;L2;L3;L4;L5;L6;L7;L8\r\n";
}

std::string settings_record_line(const SettingsRecord& r, const Regional& regional) {
    std::string line = fit_field(r.type, width::kSettingsType) + ";" +
                       format_single(r.minPayment, regional) + ";" + format_long(r.periodicity) +
                       ";" + fit_field(r.unit, width::kUnit) + ";";
    for (int k = 0; k < 7; ++k) line += format_single(r.levels[k], regional) + ";";
    // The last reward is written as a printed number: its sign place (a blank
    // or the minus sign) before it and a blank after it.
    float last = r.levels[7];
    if (last < 0) {
        line += format_single(last, regional) + " ";
    } else {
        line += " " + format_single(last == 0 ? 0.0f : last, regional) + " ";
    }
    return line + "\r\n";
}

void export_settings(const AppState& state, int64_t from, int64_t to) {
    ensure_folder(state.appDir / "output");
    AtomicFile out(state.appDir / "output" / "APsettings.txt");
    out.write(settings_header_line());
    RecordFile file(state.dataFile(file::kSettings), SettingsRecord::kSize);
    int64_t last = std::min(to, file.count());
    for (int64_t k = std::max<int64_t>(from, 1); k <= last; ++k) {
        out.write(settings_record_line(file.read<SettingsRecord>(k), state.regional));
    }
    out.commit();
}

}  // namespace qdx
