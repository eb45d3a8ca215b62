#pragma once
// Where the help pages are found: in the application folder beside the
// program, or, for an installed program that keeps its data in the per-user
// folder, beside the program or in the shared help folder of the prefix.
#include <filesystem>
#include <vector>

namespace qdx::help {

// The folders searched, in order: the application folder, the program's
// folder, and <program folder>/../share/qdx/help.
std::vector<std::filesystem::path> help_folders(const std::filesystem::path& appDir,
                                                const std::filesystem::path& programDir);

// The first folder's `fileName` that exists; the first folder's path when
// none does, so that the viewer shows the address it could not reach.
std::filesystem::path find_help_page(const std::vector<std::filesystem::path>& folders,
                                     const std::string& fileName);

}  // namespace qdx::help
