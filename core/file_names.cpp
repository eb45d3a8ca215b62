#include "core/file_names.h"

#include "core/text_field.h"

namespace qdx {

namespace {

constexpr std::string_view kRefused = "\\/:*?\"<>|";

bool is_digit_one_to_nine(char c) { return c >= '1' && c <= '9'; }

// Windows takes the superscript digits (in the ANSI code page ¹ ² ³) as digits
// in a device name too.
bool is_superscript_digit(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == 0xB9 || byte == 0xB2 || byte == 0xB3;
}

bool is_device_name(std::string_view name) {
    const std::string lower = to_lower(name);
    if (lower == "con" || lower == "prn" || lower == "aux" || lower == "nul") return true;
    return lower.size() == 4 && (lower.starts_with("com") || lower.starts_with("lpt")) &&
           (is_digit_one_to_nine(lower[3]) || is_superscript_digit(lower[3]));
}

}  // namespace

std::string report_file_stem(std::string_view caption) {
    std::string stem(trim(caption));
    for (char& c : stem)
        if (static_cast<unsigned char>(c) < 0x20 || kRefused.find(c) != std::string_view::npos)
            c = '_';
    while (!stem.empty() && (stem.back() == '.' || stem.back() == ' ')) stem.pop_back();
    if (stem.empty()) return "Report";
    // The device is the part before the first dot, blanks after it not counted.
    const std::string_view device = trim_right(std::string_view(stem).substr(0, stem.find('.')));
    if (is_device_name(device)) stem.insert(device.size(), "_");
    return stem;
}

std::string report_file_name(std::string_view caption, std::string_view extension) {
    return report_file_stem(caption) + std::string(extension);
}

}  // namespace qdx
