#pragma once
// The error of a file that cannot be read or written. Its message names what
// was tried, the file and why: "Cannot write <path>: <reason>".
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qdx {

struct FileError : std::runtime_error {
    using std::runtime_error::runtime_error;
    // "Cannot <action> <path>: <why>".
    FileError(std::string_view action, const std::filesystem::path& path, std::string_view why);
    // The same with the system's text for error number `systemError`.
    FileError(std::string_view action, const std::filesystem::path& path, int systemError);
};

}  // namespace qdx
