#include "reports/report_export.h"

#include "core/atomic_file.h"
#include "core/file_names.h"
#include "core/files.h"
#include "core/parallel.h"
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

// Rows rendered by one core before the texts go out, in row order.
constexpr size_t kRowsPerPart = 16384;

// Renders every row with render(reader, text, row) after `out`, handing the
// text to `spill` whenever it holds more than `spillAt` bytes. Long reports
// are rendered a round of stretches at a time, one stretch a core; each core
// reads through a window of its own, so the grid may be painted from the
// same table meanwhile.
template <typename Spill, typename RenderRow>
void render_rows(const ReportTable& table, std::string& out, size_t spillAt, Spill& spill,
                 const RenderRow& render) {
    const size_t rows = table.rowCount();
    const size_t threads = rows < 2 * kRowsPerPart ? 1 : core_count();
    if (threads == 1) {
        ReportTable::Reader reader(table);
        for (size_t r = 0; r < rows; ++r) {
            render(reader, out, r);
            if (out.size() > spillAt) spill(out);
        }
        return;
    }
    std::vector<std::string> parts(threads);
    // The affiliates' details are read a round of rows at a time, in one pass.
    std::unique_ptr<ReportTable::DetailRound> round;
    size_t roundEnd = 0;
    for (size_t first = 0; first < rows; first += threads * kRowsPerPart) {
        if (first >= roundEnd) {
            // Whole rounds of stretches, so that no stretch reads outside its round.
            const size_t perRound = table.detailRoundRows(round.get());
            if (perRound != 0) {
                const size_t step = threads * kRowsPerPart;
                const size_t count = std::max(step, perRound / step * step);
                round.reset();
                round = table.readDetails(first, std::min(rows - first, count));
                roundEnd = first + count;
            } else {
                roundEnd = rows;
            }
        }
        run_parts(threads, [&](size_t t) {
            ReportTable::Reader reader(table);
            reader.useRound(round.get());
            std::string& text = parts[t];
            text.clear();
            const size_t begin = std::min(rows, first + t * kRowsPerPart);
            const size_t end = std::min(rows, begin + kRowsPerPart);
            for (size_t r = begin; r < end; ++r) render(reader, text, r);
        });
        for (std::string& text : parts) {
            if (spillAt == std::string::npos) {
                out += text;
                continue;
            }
            // A stretch goes out as it is, not copied after what came before.
            if (!out.empty()) spill(out);
            spill(text);
        }
    }
}

// Renders the text export into `out`, handing it to `spill` whenever it holds
// more than `spillAt` bytes, so that a file can be written piece by piece.
template <typename Spill>
void render_text(const ReportTable& table, char separator, const AppState& state, std::string& out,
                 size_t spillAt, Spill spill) {
    out += title_line(table, state);
    out += kLineEnd;
    out += kLineEnd;
    const size_t columns = table.columnCount();
    render_rows(table, out, spillAt, spill,
                [&](ReportTable::Reader& reader, std::string& text, size_t r) {
                    for (size_t c = 0; c < columns; ++c) {
                        if (c > 0) text += separator;
                        reader.appendText(text, r, c);
                    }
                    text += kLineEnd;
                });
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
    const size_t columns = table.columnCount();
    render_rows(table, out, spillAt, spill,
                [&](ReportTable::Reader& reader, std::string& text, size_t r) {
                    const char* open = r == 0 ? "<th>" : "<td>";
                    const char* close = r == 0 ? "</th>" : "</td>";
                    text += "<tr>";
                    text += kLineEnd;
                    std::string cell;
                    for (size_t c = 0; c < columns; ++c) {
                        text += open;
                        cell.clear();
                        reader.appendText(cell, r, c);
                        append_html_text(text, cell);
                        text += close;
                        text += kLineEnd;
                    }
                    text += "</tr>";
                    text += kLineEnd;
                });
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
