#include "reports/report_export.h"

#include "core/atomic_file.h"
#include "core/file_names.h"
#include "core/files.h"
#include "core/text_field.h"
#include "reports/html_text.h"

namespace qdx {

namespace {

constexpr const char* kLineEnd = "\r\n";
// Bytes of an export gathered before they go to the file.
constexpr size_t kPieceSize = 1 << 20;

}  // namespace

std::string title_line(const ReportTable& table, const AppState& state) {
    return table.caption + " from " + format_date(table.request.range.from, state.regional) +
           " to " + format_date(table.request.range.to, state.regional);
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
    // A window of its own: the grid may be painted from the same table meanwhile.
    ReportTable::Reader reader(table);
    const size_t columns = table.columnCount();
    for (size_t r = 0; r < table.rowCount(); ++r) {
        for (size_t c = 0; c < columns; ++c) {
            if (c > 0) out += separator;
            reader.appendText(out, r, c);
        }
        out += kLineEnd;
        if (out.size() > spillAt) spill(out);
    }
}

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
    std::string cell;
    ReportTable::Reader reader(table);
    const size_t columns = table.columnCount();
    for (size_t r = 0; r < table.rowCount(); ++r) {
        const char* open = r == 0 ? "<th>" : "<td>";
        const char* close = r == 0 ? "</th>" : "</td>";
        out += "<tr>";
        out += kLineEnd;
        for (size_t c = 0; c < columns; ++c) {
            out += open;
            cell.clear();
            reader.appendText(cell, r, c);
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

std::string export_text(const ReportTable& table, char separator, const AppState& state) {
    std::string out;
    render_text(table, separator, state, out, std::string::npos, [](std::string&) {});
    return out;
}

void stream_text(const ReportTable& table, char separator, const AppState& state,
                 const std::function<void(std::string_view)>& write) {
    std::string piece;
    piece.reserve(kPieceSize + 4096);
    auto spill = [&](std::string& out) {
        write(out);
        out.clear();
    };
    render_text(table, separator, state, piece, kPieceSize, spill);
    spill(piece);
}

std::string export_html(const ReportTable& table, const AppState& state) {
    std::string out;
    render_html(table, state, out, std::string::npos, [](std::string&) {});
    return out;
}

std::filesystem::path save_text(const ReportTable& table, char separator, const AppState& state,
                                Progress& progress) {
    auto folder = state.appDir / "output";
    ensure_folder(folder);
    auto path = folder / report_file_name(table.caption, ".txt");
    save_in_pieces(path, progress, [&](std::string& out, size_t spillAt, auto spill) {
        render_text(table, separator, state, out, spillAt, spill);
    });
    return path;
}

std::filesystem::path save_html(const ReportTable& table, const AppState& state,
                                Progress& progress) {
    auto folder = state.appDir / "output" / "html";
    ensure_folder(folder);
    auto path = folder / report_file_name(table.caption, ".htm");
    save_in_pieces(path, progress, [&](std::string& out, size_t spillAt, auto spill) {
        render_html(table, state, out, spillAt, spill);
    });
    return path;
}

}  // namespace qdx
