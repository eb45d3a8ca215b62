#pragma once
// Reports and registers as spreadsheets open them without a wizard, beside
// the text exports (which stay as they are): UTF-8 CSV, one header row,
// numbers with a decimal point and no padding, dates as yyyy-mm-dd.
#include <filesystem>
#include <string>

#include "core/app_state.h"
#include "core/progress.h"
#include "reports/report_table.h"

namespace qdx {

// How texts are written: a text that a spreadsheet would run as a formula
// (beginning with =, +, -, @, a tab or a CR) gets a leading apostrophe, or,
// Raw, is written as it is. Numbers are written as numbers either way.
enum class CsvTexts { Guarded, Raw };

std::string export_csv(const ReportTable& table, const AppState& state,
                       CsvTexts texts = CsvTexts::Guarded);
// output/<trimmed caption>.csv, through a temporary file.
// A stop asked for through `progress` keeps the earlier export.
std::filesystem::path save_csv(const ReportTable& table, const AppState& state, Progress& progress,
                               CsvTexts texts = CsvTexts::Guarded);
inline std::filesystem::path save_csv(const ReportTable& table, const AppState& state) {
    Progress none;
    return save_csv(table, state, none);
}

}  // namespace qdx
