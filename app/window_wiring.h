#pragma once
// Connects the main window's buttons and menu items to the windows of each
// part of the program; each window exists once (UiContext::showOnce).
namespace qdx::ui {

class MainWindow;
struct HelpOptions;

void wire_main_window(MainWindow& main);

// The Help menu's part of it, with the help folders and browser given.
void wire_help_menu(MainWindow& main, const HelpOptions& options);

}  // namespace qdx::ui
