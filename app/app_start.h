#pragma once
// The first step of the desktop program: find the application folder and
// take its lock. A failure is told through the context's message route.
#include <filesystem>

#include "core/app_folder.h"
#include "core/ui/ui_context.h"

namespace qdx::ui {

// Sets context.state.appDir and holds the folder in `lock`; false (after its
// message) when there is no usable folder or another Qdx works on it.
bool open_app_folder(UiContext& context, FolderLock& lock,
                     const std::filesystem::path& programFolder);

}  // namespace qdx::ui
