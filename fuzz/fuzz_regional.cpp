// The text readers of the regional settings over any text, in the short date
// formats and decimal separators of several locales: nothing crashes, and a
// date that was read is written and read back as the same day, literal text
// in the format included.
// Input: the text typed into a box.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/regional.h"

namespace {

qdx::Regional make(std::string format, char separator, std::array<std::string, 12> months = {},
                   std::array<std::string, 12> abbreviations = {}) {
    qdx::Regional r;
    r.shortDateFormat = std::move(format);
    r.decimalSeparator = separator;
    r.monthNames = std::move(months);
    r.monthAbbreviations = std::move(abbreviations);
    return r;
}

const std::vector<qdx::Regional>& locales() {
    static const std::vector<qdx::Regional> all = {
        make("dd/MM/yyyy", '.'),  // en_GB
        make("dd.MM.yyyy", ',',   // de_DE, with its month names in Windows-1252
             {"Januar", "Februar", "M\xE4rz", "April", "Mai", "Juni", "Juli", "August", "September",
              "Oktober", "November", "Dezember"},
             {"Jan", "Feb", "M\xE4r", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov",
              "Dez"}),
        make("M/d/yyyy", '.'),        // en_US
        make("d.MM.yyyy 'г'.", ','),  // bg_BG-like: a quoted literal after the date
        make(qdx::Regional::widenYear("d-MMM-yy"), '.'),  // a month-name short format
    };
    return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const qdx::Regional& regional : locales()) {
        if (auto date = qdx::parse_date(text, regional)) {
            const std::string written = qdx::format_date(*date, regional);
            if (qdx::parse_date(written, regional) != date) std::abort();
        }
        if (auto number = qdx::parse_number(text, regional)) {
            (void)qdx::format_double(*number, regional);
            (void)qdx::round3_double(*number, regional);
        }
        if (auto single = qdx::parse_single(text, regional))
            (void)qdx::format_single(*single, regional);
        (void)qdx::parse_long(text, regional);
        (void)qdx::parse_integer(text, regional);
        (void)qdx::round3_text(text, regional);
    }
    // The same bytes as stored numbers, through the number writers.
    if (size >= 8) {
        double d;
        float f;
        std::memcpy(&d, data, sizeof d);
        std::memcpy(&f, data, sizeof f);
        for (const qdx::Regional& regional : locales()) {
            (void)qdx::format_double(d, regional);
            (void)qdx::format_single(f, regional);
            (void)qdx::round3_double(d, regional);
            // Any stored date, damaged ones too, is written as a day or as the
            // damaged-date mark.
            (void)qdx::format_date(d, regional);
        }
    }
    return 0;
}
