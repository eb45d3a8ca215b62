#include "core/csv.h"

#include <algorithm>

#include "core/cp1252.h"

namespace qdx::csv {

namespace {

// No record of an import is anywhere near this long; a longer one is a file
// that is not CSV (or a field that swallowed the rest of the file), refused
// at once instead of read to its end.
constexpr size_t kMaxRecordBytes = 1 << 20;

bool valid_utf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
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
            return false;
        }
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

class Reader {
  public:
    Reader(std::string_view bytes, char delimiter) : s_(bytes), delimiter_(delimiter) {
        if (s_.substr(0, 3) == "\xEF\xBB\xBF") {
            s_.remove_prefix(3);
            utf8_ = true;
        } else {
            utf8_ = valid_utf8(s_);
        }
        // A NUL byte anywhere means a file that is not text (a picture, a
        // spreadsheet's own format): refused before any of it is taken.
        if (const size_t nul = s_.find('\0'); nul != std::string_view::npos)
            throw Error(1 + std::count(s_.begin(), s_.begin() + static_cast<ptrdiff_t>(nul), '\n'),
                        "the file holds a NUL byte: it is not a text file");
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
                record.fields.push_back(field());
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

    std::string field() {
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
        return convert(std::move(text), startLine);
    }

    std::string convert(std::string text, int64_t line) const {
        if (!utf8_ || std::all_of(text.begin(), text.end(),
                                  [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            return text;
        std::string ansi = utf8_to_cp1252(text);
        // The conversion writes '?' for what the code page lacks.
        if (std::count(ansi.begin(), ansi.end(), '?') > std::count(text.begin(), text.end(), '?'))
            throw Error(line, "a character that Windows-1252 lacks, in \"" + text + "\"");
        return ansi;
    }

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

void read(std::string_view bytes, char delimiter, const std::function<bool(Record&&)>& visit) {
    Reader(bytes, delimiter).run(visit);
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
