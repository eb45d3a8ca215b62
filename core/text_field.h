#pragma once
// Fixed-width text fields: cut to the width, or padded with blanks.
#include <string>
#include <string_view>

namespace qdx {

std::string fit_field(std::string_view text, size_t width);
std::string_view trim_right(std::string_view s);
std::string_view trim(std::string_view s);
std::string to_lower(std::string_view s);  // ASCII and Windows-1252 Latin letters

}  // namespace qdx
