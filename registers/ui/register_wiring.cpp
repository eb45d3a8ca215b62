#include "registers/ui/register_wiring.h"

#include <QPushButton>

#include "core/ui/main_window.h"
#include "core/ui/settings_window.h"
#include "core/ui/ui_context.h"
#include "registers/ui/affiliates_window.h"
#include "registers/ui/communications_window.h"
#include "registers/ui/money_window.h"

namespace qdx::ui {

namespace {

// Each press shows the window, making it only when it is not open.
template <class Make>
void open_on_click(MainWindow& main, const char* button, const char* window, Make make) {
    UiContext& context = main.context();
    QObject::connect(main.button(button), &QPushButton::clicked, &main, [&context, window, make] {
        context.showOnce(window, [&context, make]() -> QWidget* { return make(context); });
    });
}

}  // namespace

void wire_register_windows(MainWindow& main) {
    open_on_click(main, "cmdAffiliates", "frmAffiliates",
                  [](UiContext& c) { return new AffiliatesWindow(c); });
    open_on_click(main, "cmdCommunications", "frmCommunications", [](UiContext& c) {
        // From the moment this window opens, every window speaks its wording.
        c.state.messages.setVariantWording();
        return new CommunicationsWindow(c);
    });
    open_on_click(main, "cmdSales", "frmSales",
                  [](UiContext& c) { return new MoneyWindow(c, kSalesRegister); });
    open_on_click(main, "cmdPayments", "frmPayments",
                  [](UiContext& c) { return new MoneyWindow(c, kPaymentsRegister); });
    open_on_click(main, "cmdAPSettings", "frmAPSettings",
                  [](UiContext& c) { return new SettingsWindow(c); });
}

}  // namespace qdx::ui
