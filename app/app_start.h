#pragma once
// The first step of the desktop program: find the application folder and
// take its lock. A failure is told through the context's message route.
#include <filesystem>

#include "core/app_folder.h"
#include "core/ui/ui_context.h"

namespace qdx::ui {

// The program's names (under which each user's window places are kept), its
// icon on every window, and the desktop entry the taskbar groups it by.
void set_program_identity();

// Sets context.state.appDir and holds the folder in `lock`; false (after its
// message) when there is no usable folder or another Qdx works on it.
bool open_app_folder(UiContext& context, FolderLock& lock,
                     const std::filesystem::path& programFolder);

}  // namespace qdx::ui
