#pragma once
// A report's text and HTML exports, written as the report window writes them.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "core/app_state.h"
#include "core/progress.h"
#include "reports/report_table.h"

namespace qdx {

// The text export: title line, empty line, one line per row with the
// separator between cells; Windows-1252, CR LF.
std::string export_text(const ReportTable& table, char separator, const AppState& state);
// The same text handed to `write` a piece (about 1 MB) at a time.
void stream_text(const ReportTable& table, char separator, const AppState& state,
                 const std::function<void(std::string_view)>& write);
// The HTML export, line for line as the report window writes it.
std::string export_html(const ReportTable& table, const AppState& state);
// "<caption> from <first day> to <last day>", the range of the table's request.
std::string title_line(const ReportTable& table, const AppState& state);

// Named after the caption (report_file_name): ".txt" in <app>/output, ".htm"
// in <app>/output/html. Written row by row through a temporary file and a
// rename; a stop asked for through `progress` keeps the earlier export.
std::filesystem::path save_text(const ReportTable& table, char separator, const AppState& state,
                                Progress& progress);
std::filesystem::path save_html(const ReportTable& table, const AppState& state,
                                Progress& progress);
inline std::filesystem::path save_text(const ReportTable& table, char separator,
                                       const AppState& state) {
    Progress none;
    return save_text(table, separator, state, none);
}
inline std::filesystem::path save_html(const ReportTable& table, const AppState& state) {
    Progress none;
    return save_html(table, state, none);
}

}  // namespace qdx
