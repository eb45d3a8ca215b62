#include "cli/batch_folder.h"

#include <filesystem>
#include <stdexcept>

#include "core/record_append.h"

namespace qdx::cli {

void open_batch_folder(AppState& state, const std::optional<std::string>& given, FolderLock& lock) {
    state.appDir = given ? std::filesystem::path(*given) : choose_app_folder(program_folder());
    if (!std::filesystem::is_directory(state.appDir))
        throw std::runtime_error("No application folder at " + state.appDir.string());
    if (!lock.acquire(state.appDir)) throw std::runtime_error(kFolderInUseMessage);
    recover_interrupted_appends(state.dataDir());
}

}  // namespace qdx::cli
