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

}  // namespace qdx
