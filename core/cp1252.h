#pragma once
// Text in record files, exports and pages is Windows-1252, one byte a
// character. Inside the engine every std::string holds such bytes; the
// windows convert at their edge.
#include <string>
#include <string_view>

namespace qdx {

// UTF-8 to Windows-1252; a character the code page lacks becomes '?'.
std::string utf8_to_cp1252(std::string_view utf8);
std::string cp1252_to_utf8(std::string_view ansi);

// Whether Windows-1252 has a byte for the character.
bool cp1252_holds(char32_t c);

// The characters of UTF-8 text; a byte that starts no valid sequence reads as U+FFFD.
std::u32string utf8_code_points(std::string_view utf8);
void append_utf8(std::string& out, char32_t c);

}  // namespace qdx
