#pragma once
// Every record of a register as a spreadsheet opens it, beside the text
// export: output/<register>.csv, UTF-8 CSV with a header row of the export
// titles, texts without their padding, long texts whole, numbers with a
// decimal point and dates as yyyy-mm-dd.
#include <filesystem>

#include "core/app_state.h"
#include "registers/money_editing.h"

namespace qdx {

// Each replaces its file through a temporary file and returns its path.
std::filesystem::path export_affiliates_csv(const AppState& state);
std::filesystem::path export_money_csv(const AppState& state, const MoneyRegister& reg);
std::filesystem::path export_communications_csv(const AppState& state);

}  // namespace qdx
