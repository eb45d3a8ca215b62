#include "core/ui/window_wiring.h"

#include <QPushButton>

#include "core/ui/main_window.h"
#include "help/help_window.h"
#include "registers/ui/register_wiring.h"
#include "reports/ui/report_actions.h"

namespace qdx::ui {

void wire_main_window(MainWindow& main) {
    // Report buttons: each report opens in the one report window.
    wire_report_buttons(main);
    // Register and settings buttons: each window opens once.
    wire_register_windows(main);
    // Help menu: the six items open their pages in the one help viewer.
    wire_help_menu(main, default_help_options(main.context()));
}

}  // namespace qdx::ui
