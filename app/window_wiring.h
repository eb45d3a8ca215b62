#pragma once
// Connects the main window's buttons and menu items to the windows of each
// part of the program; each window exists once (UiContext::showOnce).
namespace qdx::ui {

class MainWindow;
struct HelpOptions;

void wire_main_window(MainWindow& main);

// The three groups wire_main_window connects.
void wire_register_buttons(MainWindow& main);
void wire_report_buttons(MainWindow& main);
void wire_help_menu(MainWindow& main, const HelpOptions& options);

}  // namespace qdx::ui
