#pragma once
// Fixed-width text fields: cut to the width, or padded with blanks.
#include <string>
#include <string_view>

namespace qdx {

std::string fit_field(std::string_view text, size_t width);
std::string_view trim_right(std::string_view s);
std::string_view trim(std::string_view s);
std::string to_lower(std::string_view s);  // ASCII and Windows-1252 Latin letters
// The trimmed text in double quotes, as a message quotes what was typed.
std::string quoted_trimmed(std::string_view text);
// True for a trimmed text of digits only, as a record number is written.
bool digits_only_text(std::string_view text);

}  // namespace qdx
