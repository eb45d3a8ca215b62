#include "reports/report_export.h"

#include <cctype>

#include "core/atomic_file.h"
#include "core/files.h"
#include "core/text_field.h"
#include "reports/html_text.h"

namespace qdx {

namespace {

constexpr const char* kLineEnd = "\r\n";
// Bytes of an export gathered before they go to the file.
constexpr size_t kPieceSize = 1 << 20;

}  // namespace

// Every file named after a report passes here, on every platform, so a name saved on one
// system opens on another: a character some file system refuses becomes "_", trailing dots
// and blanks go, and a device name (CON, NUL, COM1, ... with or without an extension) gets
// a "_" so it names a file rather than a device.
std::string export_file_stem(const std::string& caption) {
    static constexpr std::string_view kRefused = "\\/:*?\"<>|";
    std::string stem(trim(caption));
    for (char& c : stem)
        if (static_cast<unsigned char>(c) < 0x20 || kRefused.find(c) != std::string_view::npos)
            c = '_';
    while (!stem.empty() && (stem.back() == '.' || stem.back() == ' ')) stem.pop_back();
    std::string device = stem.substr(0, stem.find('.'));
    while (!device.empty() && device.back() == ' ') device.pop_back();
    for (char& c : device) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const bool numbered = device.size() == 4 &&
                          (device.starts_with("COM") || device.starts_with("LPT")) &&
                          device[3] >= '1' && device[3] <= '9';
    if (numbered || device == "CON" || device == "PRN" || device == "AUX" || device == "NUL")
        stem.insert(device.size(), "_");
    return stem;
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
    auto path = folder / (export_file_stem(table.caption) + ".txt");
    save_in_pieces(path, progress, [&](std::string& out, size_t spillAt, auto spill) {
        render_text(table, separator, state, out, spillAt, spill);
    });
    return path;
}

std::filesystem::path save_html(const ReportTable& table, const AppState& state,
                                Progress& progress) {
    auto folder = state.appDir / "output" / "html";
    ensure_folder(folder);
    auto path = folder / (export_file_stem(table.caption) + ".htm");
    save_in_pieces(path, progress, [&](std::string& out, size_t spillAt, auto spill) {
        render_html(table, state, out, spillAt, spill);
    });
    return path;
}

}  // namespace qdx
