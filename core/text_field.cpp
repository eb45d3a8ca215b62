#include "core/text_field.h"

namespace qdx {

std::string fit_field(std::string_view text, size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

std::string_view trim_right(std::string_view s) {
    size_t end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : s.substr(0, end + 1);
}

std::string_view trim(std::string_view s) {
    size_t begin = s.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    return trim_right(s.substr(begin));
}

std::string to_lower(std::string_view s) {
    std::string out(s);
    for (char& ch : out) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 'A' && c <= 'Z') {
            ch = static_cast<char>(c + 32);
        } else if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
            ch = static_cast<char>(c + 32);
        } else if (c == 0x8A || c == 0x8C || c == 0x8E) {
            ch = static_cast<char>(c + 16);  // Š Œ Ž
        } else if (c == 0x9F) {
            ch = static_cast<char>(0xFF);  // Ÿ
        }
    }
    return out;
}

std::string quoted_trimmed(std::string_view text) { return "\"" + std::string(trim(text)) + "\""; }

bool digits_only_text(std::string_view text) {
    text = trim(text);
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace qdx
