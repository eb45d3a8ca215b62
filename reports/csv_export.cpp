#include "reports/csv_export.h"

#include <algorithm>
#include <cmath>

#include "core/atomic_file.h"
#include "core/csv.h"
#include "core/csv_values.h"
#include "core/files.h"
#include "core/text_field.h"

namespace qdx {

namespace {

bool is_date_column(const ReportTable& table, size_t column) {
    const auto& marked = table.dateColumns;
    return std::find(marked.begin(), marked.end(), column) != marked.end();
}

// A cell as the spreadsheet should read it: its number when it holds one,
// its text without the blanks that line up the grid otherwise.
std::string cell_value(const ReportTable& table, size_t row, size_t column) {
    const double n = table.number(row, column);
    if (std::isnan(n)) return std::string(trim(table.cells[row][column]));
    return is_date_column(table, column) ? csv_date(n) : csv_number(n);
}

}  // namespace

std::string export_csv(const ReportTable& table, const AppState&) {
    std::string out = kUtf8Bom;
    std::vector<std::string> fields;
    for (size_t r = 0; r < table.rowCount(); ++r) {
        fields.clear();
        for (size_t c = 0; c < table.cells[r].size(); ++c)
            fields.push_back(r == 0 ? std::string(trim(table.cells[r][c]))
                                    : cell_value(table, r, c));
        out += csv::line(fields);
    }
    return out;
}

std::filesystem::path save_csv(const ReportTable& table, const AppState& state,
                               Progress& progress) {
    const auto folder = state.appDir / "output";
    ensure_folder(folder);
    std::string stem(trim(table.caption));
    for (char& c : stem)
        if (c == '/' || c == '\\') c = '_';
    const auto path = folder / (stem + ".csv");
    progress.stage("Saving the report", 0, "rows");
    AtomicFile file(path);
    file.write(export_csv(table, state));
    progress.check();  // a stop keeps the earlier export
    file.commit();
    return path;
}

}  // namespace qdx
