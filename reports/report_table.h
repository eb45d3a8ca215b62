#pragma once
// A report as the report window shows it: the request it was made for, its
// caption, a grid of text cells whose row 0 is the header, an optional bold
// Total row last, and the print layout. The table renders its own text and
// HTML exports; windows only display it.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/app_state.h"
#include "reports/report_request.h"

namespace qdx {

struct ReportTable {
    ReportRequest request;
    std::string caption;                          // the report name, e.g. "Accounts_Report"
    std::vector<std::vector<std::string>> cells;  // cells[row][column]; row 0 is the header
    bool hasTotalRow = false;                     // the last row is the bold Total row
    bool showRegisterPayments = false;            // only the payments-due report
    std::array<int16_t, 11> printPos{};           // column positions in units of 120 twips
    int16_t printCols = 0;                        // the short printout shows columns 0..printCols-1

    size_t rowCount() const { return cells.size(); }
    size_t columnCount() const { return cells.empty() ? 0 : cells[0].size(); }

    // One header row from a format string whose column texts are separated
    // by "|" (blanks kept).
    void setHeader(std::string_view formatString);
    // Widens (or narrows) every row to `columns` cells.
    void setColumnCount(size_t columns);
    // Appends an empty row and returns it.
    std::vector<std::string>& appendRow();
    void setPrintLayout(std::initializer_list<int16_t> positions, int16_t columns);
};

// Appends the Total row: " Total" in column 0, "0" in each summed column;
// then every summed cell of rows 1..last is rounded to 3 decimals, halves to
// even, and (rows before the Total) added to the Total cell as 4-byte floats.
// The Total row itself is rounded last.
void append_total_row(ReportTable& table, const std::vector<size_t>& summedColumns,
                      const Regional& regional);

// The text export: title line, empty line, one line per row with the
// separator between cells; Windows-1252, CR LF.
std::string export_text(const ReportTable& table, char separator, const AppState& state);
// The HTML export, line for line as the report window writes it.
std::string export_html(const ReportTable& table, const AppState& state);
// "<caption> from <datefrom> to <dateto>", the range of the table's request.
std::string title_line(const ReportTable& table, const AppState& state);

// File names: the trimmed caption plus ".txt" in <app>/output, plus ".htm"
// in <app>/output/html. Written through a temporary file and a rename.
std::filesystem::path save_text(const ReportTable& table, char separator, const AppState& state);
std::filesystem::path save_html(const ReportTable& table, const AppState& state);

}  // namespace qdx
