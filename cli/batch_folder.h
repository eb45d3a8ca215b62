#pragma once
// The application folder a batch program works on: the one given, or the
// one the desktop program would use.
#include <filesystem>
#include <optional>
#include <string>

#include "core/app_folder.h"
#include "core/app_state.h"

namespace qdx::cli {

// The folder given, or the one the desktop program would use. Throws
// std::runtime_error with the message to print when there is no such folder.
std::filesystem::path batch_folder(const std::optional<std::string>& given);

// Sets state.appDir and holds the folder with `lock`; appends an earlier run
// left unfinished are rolled back first. Throws std::runtime_error with the
// message to print when there is no such folder or another program holds it.
void open_batch_folder(AppState& state, const std::optional<std::string>& given, FolderLock& lock);

}  // namespace qdx::cli
