#include "reports/csv_export.h"

#include <algorithm>
#include <cmath>

#include "core/atomic_file.h"
#include "core/csv.h"
#include "core/csv_values.h"
#include "core/file_names.h"
#include "core/files.h"
#include "core/text_field.h"
#include "reports/report_export.h"

namespace qdx {

namespace {

// A cell as the spreadsheet should read it: its number when it holds one,
// its text without the blanks that line up the grid otherwise. A non-finite
// amount is written as the grid shows it ("NaN", "inf"), never as nothing.
void append_value(std::string& out, ReportTable::Reader& reader, size_t row, size_t column,
                  CsvTexts texts) {
    const ReportTable& table = reader.table();
    const double n = table.number(row, column);
    if (!std::isfinite(n)) {
        const size_t start = out.size();
        reader.appendText(out, row, column);
        const std::string_view cell = std::string_view(out).substr(start);
        const std::string_view trimmed = trim(cell);
        const size_t offset = static_cast<size_t>(trimmed.data() - cell.data());
        out.erase(start, offset);
        out.resize(start + trimmed.size());
        if (texts == CsvTexts::Guarded) guard_csv_text(out, start);
        return;
    }
    out += table.kind(row, column) == ReportTable::Kind::Date ? csv_date(n) : csv_number(n);
}

// Renders the export, handing it to `spill` whenever it holds more than
// `spillAt` bytes.
template <typename Spill>
void render_csv(const ReportTable& table, CsvTexts texts, std::string& out, size_t spillAt,
                Spill spill) {
    out += kUtf8Bom;
    // A window of its own: the grid may be painted from the same table meanwhile.
    ReportTable::Reader reader(table);
    std::vector<std::string> fields(table.columnCount());
    for (size_t r = 0; r < table.rowCount(); ++r) {
        for (size_t c = 0; c < fields.size(); ++c) {
            fields[c].clear();
            append_value(fields[c], reader, r, c, texts);
        }
        out += csv::line(fields);
        if (out.size() > spillAt) spill(out);
    }
}

}  // namespace

std::string export_csv(const ReportTable& table, const AppState&, CsvTexts texts) {
    std::string out;
    render_csv(table, texts, out, std::string::npos, [](std::string&) {});
    return out;
}

std::filesystem::path save_csv(const ReportTable& table, const AppState& state, Progress& progress,
                               CsvTexts texts) {
    const auto folder = state.appDir / "output";
    ensure_folder(folder);
    const auto path = folder / (report_file_name(table.caption, ".csv"));
    progress.stage("Saving the report", 0, "bytes");
    AtomicFile file(path);
    std::string piece;
    int64_t written = 0;
    auto spill = [&](std::string& out) {
        written += static_cast<int64_t>(out.size());
        progress.step(written);
        file.write(out);
        out.clear();
    };
    render_csv(table, texts, piece, size_t{1} << 20, spill);
    spill(piece);
    progress.check();  // a stop keeps the earlier export
    file.commit();
    return path;
}

}  // namespace qdx
