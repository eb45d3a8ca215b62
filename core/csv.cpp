#include "core/csv.h"

#include <algorithm>

#include "core/cp1252.h"

namespace qdx::csv {

namespace {

// No record of an import is anywhere near this long; a longer one is a file
// that is not CSV (or a field that swallowed the rest of the file), refused
// at once instead of read to its end.
constexpr size_t kMaxRecordBytes = 1 << 20;

// Where the bytes stop being UTF-8: the offset of the first byte that does
// not belong to a well-formed character, or npos; `multibyte` tells whether
// any character of two bytes or more came before it.
size_t first_invalid_utf8(std::string_view s, bool& multibyte) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
    multibyte = false;
    size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        if ((p[i] & 0xE0) == 0xC0 && p[i] >= 0xC2) {
            len = 2;
        } else if ((p[i] & 0xF0) == 0xE0) {
            len = 3;
        } else if ((p[i] & 0xF8) == 0xF0 && p[i] <= 0xF4) {
            len = 4;
        } else {
            return i;
        }
        if (i + len > n) return i;
        for (size_t k = 1; k < len; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return i;
        multibyte = true;
        i += len;
    }
    return std::string_view::npos;
}

// Whether a well-formed character of two bytes or more stands anywhere.
bool holds_utf8_character(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        bool multibyte = false;
        const size_t bad = first_invalid_utf8(s.substr(i), multibyte);
        if (multibyte) return true;
        if (bad == std::string_view::npos) return false;
        i += bad;
    }
    return false;
}

int64_t line_at(std::string_view s, size_t offset) {
    return 1 + std::count(s.begin(), s.begin() + static_cast<ptrdiff_t>(offset), '\n');
}

std::string hex_byte(unsigned char b) {
    const char* digits = "0123456789ABCDEF";
    return std::string("0x") + digits[b >> 4] + digits[b & 15];
}

// Text with a zero byte in most places of one parity and few of the other:
// UTF-16 (of mostly Latin text) written without its byte-order mark.
bool looks_like_utf16(std::string_view s) {
    const size_t n = std::min<size_t>(s.size(), 1024) & ~size_t(1);
    if (n < 4) return false;
    size_t zero[2] = {0, 0};
    for (size_t i = 0; i < n; ++i) zero[i & 1] += s[i] == '\0';
    const size_t half = n / 2;
    return (zero[0] * 2 >= half && zero[1] * 10 < half) ||
           (zero[1] * 2 >= half && zero[0] * 10 < half);
}

// UTF-16 after its byte-order mark, as UTF-8. Offsets in messages count
// from the start of the file, the mark included.
std::string utf16_to_utf8(std::string_view s, bool bigEndian) {
    std::string out;
    out.reserve(s.size());
    const size_t n = s.size();
    const auto unit = [&](size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(s[i]), b = static_cast<unsigned char>(s[i + 1]);
        return bigEndian ? (char32_t(a) << 8 | b) : (char32_t(b) << 8 | a);
    };
    const auto fail = [&](size_t i, const char* what) {
        throw Error(line_at(out, out.size()), std::string("the UTF-16 file holds ") + what +
                                                  " at byte offset " + std::to_string(i + 2));
    };
    size_t i = 0;
    for (; i + 1 < n; i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 3 >= n) fail(i, "half of a character (a lone surrogate)");
            const char32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) fail(i, "half of a character (a lone surrogate)");
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            fail(i, "half of a character (a lone surrogate)");
        }
        append_utf8(out, c);
    }
    if (i < n) fail(i, "an odd last byte");
    return out;
}

class Reader {
  public:
    Reader(std::string_view bytes, char delimiter) : s_(bytes), delimiter_(delimiter) {
        if (s_.substr(0, 2) == "\xFF\xFE" || s_.substr(0, 2) == "\xFE\xFF") {
            owned_ = utf16_to_utf8(s_.substr(2), s_[0] == '\xFE');
            s_ = owned_;
            utf8_ = true;
        } else if (s_.substr(0, 3) == "\xEF\xBB\xBF") {
            s_.remove_prefix(3);
            utf8_ = true;
            bool multibyte = false;
            if (const size_t bad = first_invalid_utf8(s_, multibyte); bad != std::string_view::npos)
                throw_invalid_utf8(bad, 3, "the file is marked as UTF-8");
        } else {
            // Bytes that are UTF-8 in places and not in others are a UTF-8
            // file with a damaged character; no UTF-8 at all is Windows-1252.
            bool multibyte = false;
            const size_t bad = first_invalid_utf8(s_, multibyte);
            utf8_ = bad == std::string_view::npos;
            if (!utf8_ && (multibyte || holds_utf8_character(s_.substr(bad))))
                throw_invalid_utf8(bad, 0, "the rest of the file is UTF-8");
            if (looks_like_utf16(s_))
                throw Error(1,
                            "the file is UTF-16 without a byte-order mark: save it as UTF-8, or as "
                            "UTF-16 with its byte-order mark");
        }
        // A NUL byte anywhere means a file that is not text (a picture, a
        // spreadsheet's own format): refused before any of it is taken.
        if (const size_t nul = s_.find('\0'); nul != std::string_view::npos)
            throw Error(line_at(s_, nul), "the file holds a NUL byte: it is not a text file");
        if (delimiter_ == 0) delimiter_ = find_delimiter(s_);
    }

    char delimiter() const { return delimiter_; }

    [[noreturn]] void throw_invalid_utf8(size_t at, size_t before, const char* why) const {
        throw Error(line_at(s_, at),
                    "a byte that is not UTF-8, " + hex_byte(static_cast<unsigned char>(s_[at])) +
                        ", at byte offset " + std::to_string(at + before) + " (" + why + ")");
    }

    void run(const std::function<bool(Record&&)>& visit) {
        while (i_ < s_.size()) {
            if (at_line_end()) {  // blank lines carry no record
                skip_line_end();
                continue;
            }
            Record record;
            record.line = line_;
            recordStart_ = i_;
            recordLine_ = line_;
            for (;;) {
                record.fields.push_back(field(record));
                if (i_ >= s_.size()) break;
                if (s_[i_] == delimiter_) {
                    ++i_;
                    continue;
                }
                skip_line_end();
                break;
            }
            if (!visit(std::move(record))) return;
        }
    }

  private:
    bool at_line_end() const { return s_[i_] == '\n' || s_[i_] == '\r'; }
    void skip_line_end() {
        if (s_[i_] == '\r' && i_ + 1 < s_.size() && s_[i_ + 1] == '\n') ++i_;
        ++i_;
        ++line_;
    }
    void check_length() const {
        if (i_ - recordStart_ > kMaxRecordBytes)
            throw Error(recordLine_, "a line longer than 1 MB: this is not a CSV file of records");
    }

    std::string field(Record& record) {
        const int64_t startLine = line_;
        std::string text;
        if (i_ < s_.size() && s_[i_] == '"') {
            ++i_;
            for (;;) {
                if (i_ >= s_.size()) throw Error(startLine, "a quoted field is not closed");
                check_length();
                const char c = s_[i_];
                if (c == '"') {
                    if (i_ + 1 < s_.size() && s_[i_ + 1] == '"') {
                        text += '"';
                        i_ += 2;
                        continue;
                    }
                    ++i_;
                    break;
                }
                if (c == '\n') ++line_;
                text += c;
                ++i_;
            }
            if (i_ < s_.size() && s_[i_] != delimiter_ && !at_line_end())
                throw Error(line_, "text after the closing quote of a field");
        } else {
            const size_t from = i_;
            while (i_ < s_.size()) {
                const char c = s_[i_];
                if (c == delimiter_ || c == '\n' || c == '\r') break;
                ++i_;
                if (i_ - recordStart_ > kMaxRecordBytes) check_length();
            }
            text.assign(s_.substr(from, i_ - from));
        }
        return convert(std::move(text), record);
    }

    std::string convert(std::string text, Record& record) const {
        if (!utf8_ || std::all_of(text.begin(), text.end(),
                                  [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            return text;
        FittedText fitted = fit_to_cp1252(text);
        if (!fitted.changed()) return utf8_to_cp1252(text);
        std::string ansi = utf8_to_cp1252(fitted.text);
        record.unkept.push_back({record.fields.size(), std::move(text), std::move(fitted)});
        return ansi;
    }

    std::string owned_;  // the text converted from UTF-16
    std::string_view s_;
    char delimiter_;
    bool utf8_ = false;
    size_t i_ = 0;
    int64_t line_ = 1;
    size_t recordStart_ = 0;
    int64_t recordLine_ = 1;
};

}  // namespace

Error::Error(int64_t line, const std::string& what) : std::runtime_error(what), line(line) {}

char read(std::string_view bytes, char delimiter, const std::function<bool(Record&&)>& visit) {
    Reader reader(bytes, delimiter);
    reader.run(visit);
    return reader.delimiter();
}

char find_delimiter(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == '\n' || text[i] == '\r')) ++i;
    size_t count[3] = {0, 0, 0};
    constexpr char kCandidates[3] = {',', ';', '\t'};
    bool quoted = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;  // a doubled quote inside turns it off and on again
        } else if (!quoted && (c == '\n' || c == '\r')) {
            break;
        } else if (!quoted) {
            for (size_t k = 0; k < 3; ++k) count[k] += c == kCandidates[k];
        }
    }
    size_t best = 0;
    for (size_t k = 1; k < 3; ++k)
        if (count[k] > count[best]) best = k;
    return kCandidates[best];
}

const char* delimiter_name(char delimiter) {
    switch (delimiter) {
        case ';':
            return "semicolon";
        case '\t':
            return "tab";
        default:
            return "comma";
    }
}

std::string line(const std::vector<std::string>& fields, char delimiter) {
    std::string out;
    for (size_t k = 0; k < fields.size(); ++k) {
        if (k) out += delimiter;
        const std::string text = cp1252_to_utf8(fields[k]);
        if (text.find_first_of(std::string{delimiter, '"', '\r', '\n'}) == std::string::npos) {
            out += text;
            continue;
        }
        out += '"';
        for (char c : text) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out + "\r\n";
}

}  // namespace qdx::csv
