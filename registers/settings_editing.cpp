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

constexpr FieldEntry kFields[] = {
    {Field::PaymentType, width::kSettingsType, "Type of payment", "Type of payment"},
    {Field::MinPayment, 0, "Minimal payment", "MinPayment"},
    {Field::Periodicity, 0, "Periodicity of payments (days)", "Periodicity"},
    {Field::Unit, width::kUnit, "Unit of payment", "Unit"},
    {Field::Level1, 0, "  the affiliate", "L1"},
    {Field::Level2, 0, " 1-st level's sub affiliates", "L2"},
    {Field::Level3, 0, " 2-nd level's sub affiliates", "L3"},
    {Field::Level4, 0, " 3-rd level's sub affiliates", "L4"},
    {Field::Level5, 0, " 4-th level's sub affiliates", "L5"},
    {Field::Level6, 0, " 5-th level's sub affiliates", "L6"},
    {Field::Level7, 0, " 6-th level's sub affiliates", "L7"},
    {Field::Level8, 0, " 7-th level's sub affiliates", "L8"},
};

}  // namespace

FieldTable settings_fields() { return kFields; }

CheckResult check_settings(const SettingsBoxes& b, const Regional& regional) {
    if (b.minPayment.empty()) return CheckFailure{Msg::EnterData, Field::MinPayment};
    if (b.periodicity.empty()) return CheckFailure{Msg::EnterData, Field::Periodicity};
    if (b.unit.empty()) return CheckFailure{Msg::EnterData, Field::Unit};
    if (b.typeIndex != 0 && b.typeIndex != 1) {
        return CheckFailure{Msg::SelectValue, Field::PaymentType};
    }
    if (b.levels[0].empty()) return CheckFailure{Msg::EnterData, Field::Level1};
    // Every number must convert: the minimal payment, the levels, then the periodicity.
    if (!parse_single(b.minPayment, regional)) {
        return CheckFailure{Msg::IncorrectValue, Field::MinPayment};
    }
    for (int k = 0; k < 8; ++k) {
        if (!parse_single(b.levels[k], regional)) {
            return CheckFailure{Msg::IncorrectValue, reward_level(k + 1)};
        }
    }
    if (!parse_integer(b.periodicity, regional)) {
        return CheckFailure{Msg::IncorrectValue, Field::Periodicity};
    }
    // Lower levels may earn nothing, but the seller always earns.
    if (*parse_single(b.levels[0], regional) == 0) {
        return CheckFailure{Msg::IncorrectValue, Field::Level1};
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

std::string settings_header_line() { return export_header(kFields); }

std::string settings_record_line(const SettingsRecord& r, const Regional& regional) {
    return export_line(kFields, [&](const FieldEntry& entry) -> std::string {
        switch (entry.field) {
            case Field::PaymentType:
                return fit_field(r.type, entry.width);
            case Field::MinPayment:
                return format_single(r.minPayment, regional);
            case Field::Periodicity:
                return format_long(r.periodicity);
            case Field::Unit:
                return fit_field(r.unit, entry.width);
            case Field::Level8:
                break;
            default:
                return format_single(r.levels[level_of(entry.field) - 1], regional);
        }
        // The last reward is written as a printed number: its sign place (a
        // blank or the minus sign) before it and a blank after it.
        float last = r.levels[7];
        if (last < 0) return format_single(last, regional) + " ";
        return " " + format_single(last == 0 ? 0.0f : last, regional) + " ";
    });
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
