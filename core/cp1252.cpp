#include "core/cp1252.h"

#include <array>
#include <cstdint>

namespace qdx {
namespace {

// Code points of bytes 0x80..0x9F; 0 marks the five bytes the code page leaves unused.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t code_point_of(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F) {
        char32_t c = kHigh[b - 0x80];
        return c ? c : b;  // unused bytes map through unchanged
    }
    return b;
}

char byte_of(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (unsigned i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c) return static_cast<char>(0x80 + i);
    if (c >= 0x80 && c <= 0x9F) return static_cast<char>(c);
    return '?';
}

}  // namespace

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::u32string utf8_code_points(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        char32_t c;
        size_t len;
        if (b < 0x80) {
            c = b, len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F, len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F, len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07, len = 4;
        } else {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        if (i + len > s.size()) {
            out += U'\uFFFD';
            break;
        }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            unsigned char cb = static_cast<unsigned char>(s[i + k]);
            if ((cb & 0xC0) != 0x80) ok = false;
            c = (c << 6) | (cb & 0x3F);
        }
        out += ok ? c : U'\uFFFD';
        i += ok ? len : 1;
    }
    return out;
}

bool cp1252_holds(char32_t c) { return c == '?' || byte_of(c) != '?'; }

std::string utf8_to_cp1252(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char32_t c : utf8_code_points(s)) out += byte_of(c);
    return out;
}

std::string cp1252_to_utf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char ch : s) append_utf8(out, code_point_of(static_cast<unsigned char>(ch)));
    return out;
}

}  // namespace qdx
