#include "core/file_error.h"

#include "core/platform/platform.h"

namespace qdx {

FileError::FileError(std::string_view action, const std::filesystem::path& path,
                     std::string_view why)
    : std::runtime_error("Cannot " + std::string(action) + " " + path.string() + ": " +
                         std::string(why)) {}

FileError::FileError(std::string_view action, const std::filesystem::path& path, int systemError)
    : FileError(action, path, platform::error_text(systemError)) {}

}  // namespace qdx
