// The CSV reader over any bytes: nothing crashes, a refusal names a line of
// the input, and every record read is written by the CSV writer as a line
// that reads back as the same fields.
// Input: the delimiter (one byte: ',', ';' or a tab; others mean ','), then
// the file's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/csv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const char d = static_cast<char>(data[0]);
    const char delimiter = d == ';' || d == '\t' ? d : ',';
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    // A lone CR ends a line too.
    int64_t lines = 1;
    for (char c : bytes) lines += c == '\n' || c == '\r';
    try {
        qdx::csv::read(bytes, delimiter, [&](qdx::csv::Record&& record) {
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
