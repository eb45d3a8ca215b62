#pragma once
// Connects the main window's register and settings buttons to their windows.
namespace qdx::ui {

class MainWindow;
void wire_register_windows(MainWindow& main);

}  // namespace qdx::ui
