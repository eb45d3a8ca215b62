#pragma once
// Stored texts written into HTML pages: "&", "<" and ">" are escaped so
// that what an affiliate typed shows as text and never becomes markup.
#include <string>
#include <string_view>

namespace qdx {

inline void append_html_text(std::string& out, std::string_view text) {
    size_t from = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char* entity = nullptr;
        switch (text[i]) {
            case '&':
                entity = "&amp;";
                break;
            case '<':
                entity = "&lt;";
                break;
            case '>':
                entity = "&gt;";
                break;
            default:
                continue;
        }
        out.append(text.substr(from, i - from));
        out += entity;
        from = i + 1;
    }
    out.append(text.substr(from));
}

}  // namespace qdx
