// The CSV reader over any bytes: nothing crashes, a refusal names a line of
// the input, and every record read is written by the CSV writer as a line
// that reads back as the same fields.
// Input: the delimiter (one byte: ',', ';' or a tab; 'd' finds it from the
// header line; others mean ','), then the file's bytes (a UTF-16 byte-order
// mark at their start makes them UTF-16).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/csv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const char d = static_cast<char>(data[0]);
    const char asked = d == ';' || d == '\t' ? d : d == 'd' ? 0 : ',';
    char delimiter = asked ? asked : ',';
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    // A lone CR ends a line too (in UTF-16 a unit of either byte may be one).
    int64_t lines = 1;
    for (char c : bytes) lines += c == '\n' || c == '\r';
    try {
        if (!asked) {
            // The delimiter read with is the one found in the header line.
            try {
                delimiter = qdx::csv::read(bytes, 0, [](qdx::csv::Record&&) { return false; });
            } catch (const qdx::csv::Error&) {
            }
            if (delimiter != ',' && delimiter != ';' && delimiter != '\t') std::abort();
        }
        qdx::csv::read(bytes, delimiter, [&](qdx::csv::Record&& record) {
            for (const qdx::csv::Unkept& u : record.unkept)
                if (u.field >= record.fields.size() || !u.fitted.changed()) std::abort();
            if (record.line < 1 || record.line > lines) std::abort();
            // A lone empty field writes a blank line, which holds no record.
            if (record.fields.size() == 1 && record.fields[0].empty()) return true;
            const std::string line = qdx::csv::line(record.fields, delimiter);
            int seen = 0;
            qdx::csv::read(line, delimiter, [&](qdx::csv::Record&& again) {
                if (++seen > 1 || again.fields != record.fields) std::abort();
                return true;
            });
            if (seen != 1) std::abort();
            return true;
        });
    } catch (const qdx::csv::Error& error) {
        if (error.line < 1 || error.line > lines) std::abort();
    }
    return 0;
}
