#include "registers/ui/open_register_window.h"

#include "core/ui/ui_context.h"
#include "registers/ui/affiliates_window.h"
#include "registers/ui/communications_window.h"
#include "registers/ui/money_window.h"
#include "registers/ui/refunds_window.h"
#include "registers/ui/settings_window.h"

namespace qdx::ui {

QWidget* open_register_window(UiContext& context, RegisterWindow which) {
    switch (which) {
        case RegisterWindow::Affiliates:
            return context.showOnce("frmAffiliates", [&] { return new AffiliatesWindow(context); });
        case RegisterWindow::Communications:
            return context.showOnce("frmCommunications",
                                    [&] { return new CommunicationsWindow(context); });
        case RegisterWindow::Sales:
            return context.showOnce("frmSales",
                                    [&] { return new MoneyWindow(context, kSalesRegister); });
        case RegisterWindow::Payments:
            return context.showOnce("frmPayments",
                                    [&] { return new MoneyWindow(context, kPaymentsRegister); });
        case RegisterWindow::Settings:
            return context.showOnce("frmAPSettings", [&] { return new SettingsWindow(context); });
        case RegisterWindow::Refunds:
            return context.showOnce("frmRefunds", [&] { return new RefundsWindow(context); });
    }
    return nullptr;
}

}  // namespace qdx::ui
