#pragma once
// The names of the files Qdx names after a report: the exports, the chart
// picture, the PDF. The same name on every platform, so a folder copied from
// one system to another opens there.
#include <string>
#include <string_view>

namespace qdx {

// The caption, blanks at its ends removed, as a file name stem every file
// system takes: the characters Windows refuses (\ / : * ? " < > | and control
// characters) become "_", trailing dots and blanks go, a device name (CON,
// PRN, AUX, NUL, COM1..9, LPT1..9, also before an extension) gets a "_" after
// it, and a caption left empty gives "Report". Bytes are the ANSI code page's.
std::string report_file_stem(std::string_view caption);

// The stem plus `extension` (".txt", ".pdf").
std::string report_file_name(std::string_view caption, std::string_view extension);

}  // namespace qdx
