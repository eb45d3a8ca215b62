#include <QApplication>
#include <utility>

#include "app/main_window.h"
#include "app/window_wiring.h"
#include "core/files.h"
#include "registers/ui/window_fixture.h"

namespace qdx::test {
namespace {

int visible_windows(const QString& name) {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name && w->isVisible()) ++count;
    }
    return count;
}

TEST_F(WindowTest, EachRegisterButtonOpensOneWindowAndHelpIsWired) {
    auto* main = open(new ui::MainWindow(context));
    ui::wire_main_window(*main);
    const std::pair<const char*, const char*> buttons[] = {
        {"cmdAffiliates", "frmAffiliates"},
        {"cmdCommunications", "frmCommunications"},
        {"cmdSales", "frmSales"},
        {"cmdPayments", "frmPayments"},
        {"cmdAPSettings", "frmAPSettings"}};
    for (auto [button, window] : buttons) {
        main->button(button)->click();
        main->button(button)->click();
        EXPECT_EQ(visible_windows(window), 1) << window;
    }
    for (auto [button, window] : buttons) {
        QWidget* opened = context.openWindow(window);
        ASSERT_NE(opened, nullptr) << window;
        opened->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    main->action("About")->trigger();  // the help menu is wired as well
    std::unique_ptr<QWidget> help(context.openWindow("frmHelp"));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->windowTitle(), "About");
}

TEST_F(WindowTest, OpeningCommunicationsSwitchesToTheVariantWording) {
    auto* main = open(new ui::MainWindow(context));
    ui::wire_main_window(*main);
    main->button("cmdAffiliates")->click();
    EXPECT_EQ(state.messages.enterData, "Please enter data into the field");
    main->button("cmdCommunications")->click();
    EXPECT_EQ(state.messages.enterData, "Please enter the data to the field");
    EXPECT_EQ(state.messages.incorrectValue, "Sorry, you entered not correct value");
    EXPECT_EQ(state.messages.noAffiliate, "Sorry, there is no an Affiliate with this ID");
    for (const char* window : {"frmAffiliates", "frmCommunications"})
        if (QWidget* opened = context.openWindow(window)) opened->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace qdx::test
