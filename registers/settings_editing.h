#pragma once
// The settings window's engine: the ordered checks of a save, the record
// built from the boxes, and the lines of output/APsettings.txt.
#include <array>
#include <string>

#include "core/app_state.h"
#include "core/edit_checks.h"
#include "core/records.h"

namespace qdx {

// The boxes as typed (Windows-1252). typeIndex is the selected list entry:
// 0 Percents, 1 Fixed, anything else none.
struct SettingsBoxes {
    std::string minPayment, periodicity, unit;
    int typeIndex = -1;
    std::array<std::string, 8> levels;
};

// The settings record's fields in the order of the text export.
FieldTable settings_fields();

// Runs the seven checks in their order; the first failure wins.
CheckResult check_settings(const SettingsBoxes& boxes, const Regional& regional);
// The record of boxes that passed the checks.
SettingsRecord settings_from_boxes(const SettingsBoxes& boxes, const Regional& regional);

std::string settings_header_line();
std::string settings_record_line(const SettingsRecord& record, const Regional& regional);

// Writes output/APsettings.txt: the header and the lines of records from..to
// that the settings file holds (none when from is 0).
void export_settings(const AppState& state, int64_t from, int64_t to);

}  // namespace qdx
