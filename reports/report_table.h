#pragma once
// A report as the report window shows it: the request it was made for, its
// caption, a grid whose row 0 is the header, an optional bold Total row last,
// and the print layout. Its exports (report_export.h), its Total row
// (report_totals.h) and its sort (report_sort.h) are written on the grid
// from outside; windows only display it.
//
// The grid keeps numbers, not texts: each column holds one kind of cell (a
// whole number, a 4-byte float shown in 7 digits, an amount rounded to 3
// decimals, a date, or an affiliate's detail field) and a cell becomes text
// only when it is shown, exported or printed, through text() or
// appendText(). Detail fields are kept as the affiliate's record number and
// read from the affiliates file when asked for, a block of rows at a time.
// The few cells that are neither (the header, " Total") are kept as text.
//
// A table that is not being changed may be read from several threads at
// once: text() and appendText() read the detail fields through one block
// window under a lock, and a Reader has a window of its own, for the
// exports and printouts that walk every row on one thread.
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/app_state.h"
#include "core/fields.h"
#include "core/record_layouts.h"
#include "reports/report_request.h"

namespace qdx {

struct ReportTable {
    ReportRequest request;
    std::string caption;                 // the report name, e.g. "Accounts_Report"
    bool hasTotalRow = false;            // the last row is the bold Total row
    bool showRegisterPayments = false;   // only the payments-due report
    std::array<int16_t, 11> printPos{};  // column positions in units of 120 twips
    int16_t printCols = 0;               // the short printout shows columns 0..printCols-1
    // What the report has to say beside its rows (affiliates it could not
    // list, and why); empty when nothing. Shown once the report is.
    std::string notice;
    // The columns the Total row adds up (append_total_row).
    std::vector<size_t> summedColumns;

    // What a cell holds, and so how it is written.
    enum class Kind : uint8_t {
        None,       // nothing put: empty text, no number
        Long,       // a whole number
        Single,     // the 7-digit value of a 4-byte float
        Rounded,    // an amount rounded to 3 decimals, written in up to 15 digits
        Date,       // an OLE date in the regional short form
        Label,      // a whole number shown as text only (no number behind it)
        Text,       // the cell's own text
        Detail,     // a field of an affiliate's record
        NonFinite,  // an amount that is NaN or infinite, shown as "NaN", "inf" or "-inf"
    };
    ReportTable();
    ReportTable(const ReportTable& other);
    ReportTable& operator=(const ReportTable& other);
    ReportTable(ReportTable&&) noexcept;
    ReportTable& operator=(ReportTable&&) noexcept;
    ~ReportTable();

    size_t rowCount() const { return rows_; }
    size_t columnCount() const { return header_.size(); }

    // One header row from a format string whose column texts are separated
    // by "|" (blanks kept); the grid is emptied.
    void setHeader(std::string_view formatString);
    // Widens (or narrows) the grid to `columns` columns.
    void setColumnCount(size_t columns);
    // Appends an empty row and returns its index.
    size_t appendRow();
    // Appends `count` empty rows and returns the index of the first.
    size_t appendRows(size_t count);
    // Readies columns 0..count-1 for every row, so that until rows are added
    // the cells of different columns may be put from different threads at
    // once, one thread a column. False when some data cell is kept as text:
    // a put may then change the texts all columns share, and the columns
    // must be put one at a time.
    bool readyColumns(size_t count);
    // Appends a row of cells kept as text, and returns its index.
    size_t appendTextRow(const std::vector<std::string>& texts);
    // Room for `rows` rows in every column holding numbers.
    void reserveRows(size_t rows);
    void setPrintLayout(std::initializer_list<int16_t> positions, int16_t columns);

    // A cell as the grid shows it and the exports write it.
    std::string text(size_t row, size_t column) const;
    // The same, appended to `out`.
    void appendText(std::string& out, size_t row, size_t column) const;
    // Every cell of a row.
    std::vector<std::string> rowTexts(size_t row) const;
    // The number of a cell; NaN when it holds none.
    double number(size_t row, size_t column) const;
    // The numbers of a column's cells from row 0 on, as far as cells were
    // put (NaN where none was), as number() reads them where no cell is a
    // Label: for the sums of long columns.
    std::span<const double> numbers(size_t column) const;
    // What the cell holds.
    Kind kind(size_t row, size_t column) const;
    // A data row's affiliate ID, from column 0; 0 when it holds none.
    int32_t rowId(size_t row) const;

    // Puts a text and the number it stands for (NaN for none) into a cell.
    void put(size_t row, size_t column, std::string text, double value);
    // Puts a text without a number (the header row's, " Total").
    void setText(size_t row, size_t column, std::string text);
    // Puts a number of the given kind; `value` is the number the cell holds.
    void putNumber(size_t row, size_t column, Kind kind, double value);

    // Makes `column` a detail column showing `field` (an affiliate's text
    // field, or a whole number such as the Level) of the record that list
    // `list` of record numbers names for each row (see recordNumbers).
    void setDetailColumn(size_t column, Field field, size_t list = 0);
    // The record numbers of detail list `list`, one per row; a row whose
    // number is kNoRecord shows empty detail cells. Grown with the rows.
    std::vector<int32_t>& recordNumbers(size_t list = 0);
    static constexpr int32_t kNoRecord = INT32_MIN;
    // The file the detail columns read.
    void setAffiliatesFile(std::filesystem::path path);

    // Puts rows first..first+order.size()-1 in the order `order` gives:
    // row first+i becomes what row first+order[i] was (see sort_rows).
    void reorderRows(size_t first, std::span<const size_t> order);

    // The regional settings the cells are written in (kept from the first put).
    const Regional& regional() const { return regional_; }
    void setRegional(const Regional& regional);

    class Reader;

    // The detail cells of rows first..first+count-1, read in one pass over
    // the affiliates file, one stretch of it a core: for exports of long
    // tables, whose records may lie anywhere in the file (a downline lists
    // the network generation by generation). Null when the table has no
    // detail column.
    class DetailRound {
      public:
        size_t first = 0, count = 0, lists = 0;
        // Each (row, list) entry's cells lie in `cells` from offsets[row *
        // lists + list] on (none: no record), in column order: a text as its
        // length without trailing blanks and those bytes (the blanks come back
        // on reading), a whole number as its 4 stored bytes.
        std::vector<uint32_t> offsets;
        std::vector<std::string> chunks;  // offset: chunk number << 20 | place
        size_t bytes = 0;                 // in the cells
    };
    std::unique_ptr<DetailRound> readDetails(size_t first, size_t count) const;
    // The rows a round holds within its memory, from what the `last` round's
    // rows took when there was one; 0 when there are no detail cells.
    size_t detailRoundRows(const DetailRound* last = nullptr) const;

  private:
    struct Column {
        Kind kind = Kind::None;      // the kind of every cell, unless `kinds` says otherwise
        std::vector<double> values;  // per row; NaN where nothing was put
        std::vector<Kind> kinds;     // per row, only once the column mixes kinds
        layout::Span field;          // for Detail columns: where the field lies
        uint8_t list = 0;            // for Detail columns
    };
    struct DetailCache;
    struct SharedWindow;

    Column& column(size_t c);
    void setKind(Column& col, size_t row, Kind kind);
    static Kind storedKind(const Column& col, size_t row) {
        return row < col.kinds.size() ? col.kinds[row] : col.kind;
    }
    // The cell's text; a detail field is read through `cache`'s window.
    void appendCell(std::string& out, size_t row, size_t column,
                    std::unique_ptr<DetailCache>* cache) const;
    const uint8_t* detailRecord(size_t row, size_t list, std::unique_ptr<DetailCache>& cache) const;
    // Where the last detail cell read from a round ended: a row's cells are
    // read in column order, so the next one starts there.
    struct RoundPlace {
        size_t row = SIZE_MAX, list = 0, column = 0;
        const uint8_t* next = nullptr;
    };
    // A detail cell from a round; false when the round does not hold the row.
    bool appendFromRound(std::string& out, const DetailRound& round, size_t column, size_t row,
                         RoundPlace& place) const;
    SharedWindow& sharedWindow() const;
    void forgetWindow();
    static uint64_t key(size_t row, size_t column) { return (uint64_t(row) << 16) | column; }

    std::vector<std::string> header_;
    size_t rows_ = 0;
    std::vector<Column> columns_;
    std::unordered_map<uint64_t, std::string> texts_;  // cells kept as text
    std::vector<std::vector<int32_t>> records_;        // detail lists, per row
    std::filesystem::path affiliatesFile_;
    Regional regional_;
    const Regional* regionalSource_ = nullptr;      // where regional_ was copied from
    mutable std::unique_ptr<SharedWindow> shared_;  // the window text() reads through
};

// Reads a table's cells through a window of affiliate records of its own,
// without a lock: one reader per thread. It lasts no longer than its table
// and is not used across a change of it.
class ReportTable::Reader {
  public:
    explicit Reader(const ReportTable& table);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    void appendText(std::string& out, size_t row, size_t column);
    std::string text(size_t row, size_t column);
    const ReportTable& table() const { return table_; }
    // Detail cells of the rows `round` holds come from it (it outlives the use).
    void useRound(const DetailRound* round) {
        round_ = round;
        place_ = {};
    }

  private:
    const ReportTable& table_;
    std::unique_ptr<DetailCache> cache_;
    const DetailRound* round_ = nullptr;
    RoundPlace place_;
};

// A date cell: the regional short date, the OLE date as its number.
void put_date(ReportTable& table, size_t row, size_t column, double date, const Regional& regional);
// Cells holding numbers, written as the reports write them.
void put_long(ReportTable& table, size_t row, size_t column, int64_t value);
// A whole number shown as text only: the cell holds no number.
void put_label(ReportTable& table, size_t row, size_t column, int64_t value);
// The shortest general form (7 significant digits).
void put_single(ReportTable& table, size_t row, size_t column, float value,
                const Regional& regional);
// Rounded to 3 decimals, halves to even, at most 15 significant digits.
void put_rounded(ReportTable& table, size_t row, size_t column, double value,
                 const Regional& regional);

}  // namespace qdx
