#pragma once
// Connects the main window's buttons and menu items to the windows of each
// subsystem; each window exists once (UiContext::showOnce).
namespace qdx::ui {

class MainWindow;
void wire_main_window(MainWindow& main);

}  // namespace qdx::ui
