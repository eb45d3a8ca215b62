#pragma once
// The register and settings windows as the app opens them: each exists once.
class QWidget;

namespace qdx::ui {

class UiContext;

enum class RegisterWindow { Affiliates, Communications, Sales, Payments, Settings, Refunds };

// Shows the window, making it only when it is not open.
QWidget* open_register_window(UiContext& context, RegisterWindow which);

}  // namespace qdx::ui
