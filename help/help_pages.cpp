#include "help/help_pages.h"

#include <system_error>

namespace qdx::help {

std::vector<std::filesystem::path> help_folders(const std::filesystem::path& appDir,
                                                const std::filesystem::path& programDir) {
    std::vector<std::filesystem::path> folders{appDir};
    if (programDir != appDir) folders.push_back(programDir);
    folders.push_back((programDir / ".." / "share" / "qdx" / "help").lexically_normal());
    return folders;
}

std::filesystem::path find_help_page(const std::vector<std::filesystem::path>& folders,
                                     const std::string& fileName) {
    for (const auto& folder : folders) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(folder / fileName, ec)) return folder / fileName;
    }
    return folders.empty() ? std::filesystem::path(fileName) : folders.front() / fileName;
}

}  // namespace qdx::help
