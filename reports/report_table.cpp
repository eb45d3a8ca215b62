#include "reports/report_table.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

#include "core/atomic_file.h"
#include "core/files.h"
#include "core/text_field.h"
#include "reports/html_text.h"
#include "reports/report_building.h"

namespace qdx {

namespace {

constexpr const char* kLineEnd = "\r\n";
// Bytes of an export gathered before they go to the file.
constexpr size_t kPieceSize = 1 << 20;

// The trimmed caption as a file name; a path separator would leave the folder.
std::string file_stem(const std::string& caption) {
    std::string stem(trim(caption));
    for (char& c : stem)
        if (c == '/' || c == '\\') c = '_';
    return stem;
}

}  // namespace

void ReportTable::setHeader(std::string_view formatString) {
    std::vector<std::string> header;
    size_t start = 0;
    while (true) {
        size_t bar = formatString.find('|', start);
        header.emplace_back(formatString.substr(start, bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    cells.clear();
    cells.push_back(std::move(header));
    hasTotalRow = false;
}

void ReportTable::setColumnCount(size_t columns) {
    for (auto& row : cells) row.resize(columns);
}

std::vector<std::string>& ReportTable::appendRow() {
    cells.emplace_back(columnCount());
    return cells.back();
}

void ReportTable::setPrintLayout(std::initializer_list<int16_t> positions, int16_t columns) {
    size_t i = 0;
    for (int16_t p : positions) {
        if (i == printPos.size()) break;
        printPos[i++] = p;
    }
    printCols = columns;
}

void ReportTable::put(size_t row, size_t column, std::string text, double value) {
    cells[row][column] = std::move(text);
    if (numbers.size() <= column) numbers.resize(column + 1);
    std::vector<double>& values = numbers[column];
    if (values.size() <= row) values.resize(rowCount(), std::nan(""));
    values[row] = value;
}

double ReportTable::number(size_t row, size_t column) const {
    if (column >= numbers.size() || row >= numbers[column].size()) return std::nan("");
    return numbers[column][row];
}

int32_t ReportTable::rowId(size_t row) const {
    // As an ID box reads a number: halves to even, 0 outside the 4-byte range.
    const double id = std::nearbyint(number(row, 0));
    if (!(id >= INT32_MIN && id <= INT32_MAX)) return 0;
    return static_cast<int32_t>(id);
}

namespace {

// The value of a text the number formatters wrote (0 when it is not a number).
double read_back(const std::string& text, const Regional& regional) {
    return parse_number(text, regional).value_or(0);
}

}  // namespace

double shown_value(float value, const Regional& regional) {
    return read_back(format_single(value, regional), regional);
}

double shown_value(double value, const Regional& regional) {
    return read_back(format_double(value, regional), regional);
}

float as_single(double value) {
    if (!(std::fabs(value) <= FLT_MAX)) return 0.0f;
    return static_cast<float>(value);
}

float shown_single(float value, const Regional& regional) {
    return as_single(shown_value(value, regional));
}

void put_date(ReportTable& table, size_t row, size_t column, double date,
              const Regional& regional) {
    table.put(row, column, format_date(date, regional), date);
    auto& marked = table.dateColumns;
    if (std::find(marked.begin(), marked.end(), column) == marked.end()) marked.push_back(column);
}

void put_long(ReportTable& table, size_t row, size_t column, int64_t value) {
    table.put(row, column, format_long(value), static_cast<double>(value));
}

void put_single(ReportTable& table, size_t row, size_t column, float value,
                const Regional& regional) {
    std::string text = format_single(value, regional);
    const double shown = read_back(text, regional);
    table.put(row, column, std::move(text), shown);
}

void put_rounded(ReportTable& table, size_t row, size_t column, double value,
                 const Regional& regional) {
    // Rounded on the number itself: writing it out first would round twice.
    double rounded = round3(value);
    if (!std::isfinite(rounded)) rounded = 0;
    std::string text = format_double(rounded, regional);
    const double shown = read_back(text, regional);
    table.put(row, column, std::move(text), shown);
}

void append_total_row(ReportTable& table, const std::vector<size_t>& summedColumns,
                      const Regional& regional) {
    const size_t last = table.rowCount();
    table.appendRow()[0] = " Total";
    for (size_t c : summedColumns) table.put(last, c, "0", 0);
    table.hasTotalRow = true;

    // The running total is kept as its cell shows it: `shown` is what the
    // cell reads back as after each addition, `sum` the latest addition.
    std::vector<float> shown(summedColumns.size(), 0.0f);
    std::vector<float> sum(summedColumns.size(), 0.0f);
    for (size_t r = 1; r < last; ++r) {
        for (size_t i = 0; i < summedColumns.size(); ++i) {
            const size_t c = summedColumns[i];
            const double n = table.number(r, c);
            put_rounded(table, r, c, std::isnan(n) ? 0 : n, regional);
            sum[i] = shown[i] + as_single(table.number(r, c));
            shown[i] = shown_single(sum[i], regional);
        }
    }
    for (size_t i = 0; i < summedColumns.size(); ++i) {
        const size_t c = summedColumns[i];
        if (last > 1) put_single(table, last, c, sum[i], regional);
        put_rounded(table, last, c, table.number(last, c), regional);
    }
}

std::string title_line(const ReportTable& table, const AppState& state) {
    return table.caption + " from " + format_date(table.request.datefrom, state.regional) + " to " +
           format_date(table.request.dateto, state.regional);
}

namespace {

// Renders the text export into `out`, handing it to `spill` whenever it holds
// more than `spillAt` bytes, so that a file can be written piece by piece.
template <typename Spill>
void render_text(const ReportTable& table, char separator, const AppState& state, std::string& out,
                 size_t spillAt, Spill spill) {
    out += title_line(table, state);
    out += kLineEnd;
    out += kLineEnd;
    for (const auto& row : table.cells) {
        for (size_t c = 0; c < row.size(); ++c) {
            if (c > 0) out += separator;
            out += row[c];
        }
        out += kLineEnd;
        if (out.size() > spillAt) spill(out);
    }
}

}  // namespace

std::string export_text(const ReportTable& table, char separator, const AppState& state) {
    std::string out;
    size_t size = title_line(table, state).size() + 4;
    for (const auto& row : table.cells) {
        size += row.size() + 2;
        for (const auto& cell : row) size += cell.size();
    }
    out.reserve(size);
    render_text(table, separator, state, out, std::string::npos, [](std::string&) {});
    return out;
}

namespace {

// Renders the HTML export into `out`, spilling it as render_text does.
template <typename Spill>
void render_html(const ReportTable& table, const AppState& state, std::string& out, size_t spillAt,
                 Spill spill) {
    out += "<html> <body>";
    out += kLineEnd;
    append_html_text(out, title_line(table, state));
    out += kLineEnd;
    out += "<br>";
    out += kLineEnd;
    out += "<br>";
    out += kLineEnd;
    out += "<table cellpadding=2 border=3 align='left'> ";
    out += kLineEnd;
    for (size_t r = 0; r < table.rowCount(); ++r) {
        const char* open = r == 0 ? "<th>" : "<td>";
        const char* close = r == 0 ? "</th>" : "</td>";
        out += "<tr>";
        out += kLineEnd;
        for (const auto& cell : table.cells[r]) {
            out += open;
            append_html_text(out, cell);
            out += close;
            out += kLineEnd;
        }
        out += "</tr>";
        out += kLineEnd;
        if (out.size() > spillAt) spill(out);
    }
    out += "</body> </html>";
    out += kLineEnd;
}

// Writes what `render(out, spillAt, spill)` produces to `path`, piece by piece.
// A stop asked for before the commit leaves the earlier export as it was.
template <typename Render>
void save_in_pieces(const std::filesystem::path& path, Progress& progress, Render render) {
    AtomicFile file(path);
    std::string piece;
    piece.reserve(kPieceSize + 4096);
    int64_t written = 0;
    progress.stage("Saving the report", 0, "bytes");
    auto spill = [&](std::string& out) {
        written += static_cast<int64_t>(out.size());
        progress.step(written);
        file.write(out);
        out.clear();
    };
    render(piece, kPieceSize, spill);
    spill(piece);
    progress.check();
    file.commit();
}

}  // namespace

std::string export_html(const ReportTable& table, const AppState& state) {
    std::string out;
    render_html(table, state, out, std::string::npos, [](std::string&) {});
    return out;
}

std::filesystem::path save_text(const ReportTable& table, char separator, const AppState& state,
                                Progress& progress) {
    auto folder = state.appDir / "output";
    ensure_folder(folder);
    auto path = folder / (file_stem(table.caption) + ".txt");
    save_in_pieces(path, progress, [&](std::string& out, size_t spillAt, auto spill) {
        render_text(table, separator, state, out, spillAt, spill);
    });
    return path;
}

std::filesystem::path save_html(const ReportTable& table, const AppState& state,
                                Progress& progress) {
    auto folder = state.appDir / "output" / "html";
    ensure_folder(folder);
    auto path = folder / (file_stem(table.caption) + ".htm");
    save_in_pieces(path, progress, [&](std::string& out, size_t spillAt, auto spill) {
        render_html(table, state, out, spillAt, spill);
    });
    return path;
}

}  // namespace qdx
