#include "core/ui/window_wiring.h"

#include <QPushButton>

#include "core/ui/main_window.h"

namespace qdx::ui {

void wire_main_window(MainWindow& main) {
    // Report buttons: every report reads the range first.
    for (const char* name : {"cmdAPperformanceR", "cmdAccountsR", "cmdPaymentsR", "cmdActivitiesR",
                             "cmdNetStructureR", "cmdIncomeStructureR", "cmdDownline"}) {
        QObject::connect(main.button(name), &QPushButton::clicked, &main,
                         [&main] { main.check_dates(); });
    }
}

}  // namespace qdx::ui
