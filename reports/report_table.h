#pragma once
// A report as the report window shows it: the request it was made for, its
// caption, a grid of text cells whose row 0 is the header, an optional bold
// Total row last, and the print layout. The table renders its own text and
// HTML exports; windows only display it.
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/app_state.h"
#include "core/progress.h"
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

    // The numbers behind the cells, for the steps that compute on a finished
    // table (totals, row IDs, payments): numbers[column][row] is the value the
    // cell's text reads back as, NaN where no number was put.
    std::vector<std::vector<double>> numbers;
    // Columns whose numbers are dates (OLE dates), not amounts.
    std::vector<size_t> dateColumns;

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

    // Puts a number into a cell: the text the report shows and the value
    // that text reads back as.
    void put(size_t row, size_t column, std::string text, double value);
    // The number of a cell; NaN when it holds none.
    double number(size_t row, size_t column) const;
    // A data row's affiliate ID, from column 0; 0 when it holds none.
    int32_t rowId(size_t row) const;
};

// A date cell: the regional short date, the OLE date as its number; marks
// the column as one of dates.
void put_date(ReportTable& table, size_t row, size_t column, double date, const Regional& regional);
// Cells holding numbers, written as the reports write them.
void put_long(ReportTable& table, size_t row, size_t column, int64_t value);
// The shortest general form (7 significant digits).
void put_single(ReportTable& table, size_t row, size_t column, float value,
                const Regional& regional);
// Rounded to 3 decimals, halves to even, at most 15 significant digits.
void put_rounded(ReportTable& table, size_t row, size_t column, double value,
                 const Regional& regional);

// A number as a report shows it and reads it back: the value of its text (0
// when that is not a number). Running sums and products are formed on this
// value, as on a cell.
double shown_value(float value, const Regional& regional);
double shown_value(double value, const Regional& regional);
// A value read back as a 4-byte float; 0 beyond the float range.
float as_single(double value);
float shown_single(float value, const Regional& regional);

// Appends the Total row: " Total" in column 0, "0" in each summed column;
// then every summed cell of rows 1..last is rounded to 3 decimals, halves to
// even (a cell without a number becomes 0), and (rows before the Total) added
// to the Total cell as 4-byte floats, the running total read back as shown
// after each addition. The Total row itself is rounded last.
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
// A stop asked for through `progress` keeps the earlier export.
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
