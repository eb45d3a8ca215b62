#include "cli/batch_folder.h"

#include <filesystem>
#include <stdexcept>

#include "core/record_append.h"

namespace qdx::cli {

std::filesystem::path batch_folder(const std::optional<std::string>& given) {
    std::filesystem::path folder =
        given ? std::filesystem::path(*given) : choose_app_folder(program_folder());
    if (!std::filesystem::is_directory(folder))
        throw std::runtime_error("No application folder at " + folder.string());
    return folder;
}

void open_batch_folder(AppState& state, const std::optional<std::string>& given, FolderLock& lock) {
    state.appDir = batch_folder(given);
    if (!lock.acquire(state.appDir)) throw std::runtime_error(kFolderInUseMessage);
    recover_interrupted_appends(state.dataDir());
}

}  // namespace qdx::cli
