#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "app/main_window.h"
#include "app/window_wiring.h"
#include "core/ui/ui_context.h"
#include "help/ui/help_window.h"
#include "support/test_support.h"

namespace qdx::ui {
namespace {

namespace fs = std::filesystem;

void write_page(const fs::path& path, const std::string& heading) {
    std::ofstream(path) << "<html><body><h1>" << heading << "</h1></body></html>";
}

// A main window over an application folder holding every help page but
// cases.htm, with a browser opener that only records the addresses.
class HelpMenu : public ::testing::Test {
  protected:
    HelpMenu() : state(app.path()), context(state), main(context) {
        for (auto [file, heading] : {std::pair{"about.htm", "About Qdx"},
                                     {"user_guide.htm", "User Guide of Qdx"},
                                     {"more_info.html", "Questions and answers"},
                                     {"support.htm", "Support for Qdx"}})
            write_page(app.path() / file, heading);
        context.messageSink = [this](const MessageRequest& r) {
            messages.push_back(r.text);
            return MessageAnswer::Ok;
        };
        wire_help_menu(main, {{app.path()}, [this](const QUrl& url) {
                                  opened.push_back(url);
                                  return browserStarts;
                              }});
    }
    ~HelpMenu() override {
        if (QWidget* w = context.openWindow("frmHelp")) delete w;
    }

    HelpWindow* choose(const char* item) {
        main.action(item)->trigger();
        return qobject_cast<HelpWindow*>(context.openWindow("frmHelp"));
    }
    HelpWindow* viewer() { return qobject_cast<HelpWindow*>(context.openWindow("frmHelp")); }
    QString pageText() { return viewer()->browser()->toPlainText(); }
    QUrl source() { return viewer()->browser()->source(); }
    void click(const char* button) { viewer()->findChild<QPushButton*>(button)->click(); }
    QUrl page(const char* file) {
        return QUrl::fromLocalFile(QString::fromStdString((app.path() / file).string()));
    }

    test::TempFolder app;
    AppState state;
    UiContext context;
    MainWindow main;
    QStringList messages;
    std::vector<QUrl> opened;
    bool browserStarts = true;
};

// One viewer while it is open, with a history that stops at both ends; a
// closed viewer is made afresh with an empty history.
TEST_F(HelpMenu, OneViewerWithItsHistoryUntilItIsClosed) {
    HelpWindow* first = choose("About");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(choose("UserGuide"), first);
    EXPECT_TRUE(pageText().contains("User Guide of Qdx"));
    click("cmdBack");
    EXPECT_EQ(source(), page("about.htm"));
    EXPECT_TRUE(pageText().contains("About Qdx"));

    viewer()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(context.openWindow("frmHelp"), nullptr);
    choose("FAQ");
    click("cmdBack");
    EXPECT_EQ(source(), page("more_info.html"));
    EXPECT_TRUE(messages.isEmpty());
}

// A missing page is shown as unreachable; We pay hands the web page to the
// browser once. Both stay in the history.
TEST_F(HelpMenu, MissingAndWebPagesAreKeptInTheHistory) {
    const QUrl agreement(QString(kWebSite) + "/ap_agreement.html");
    EXPECT_EQ(agreement.toString(), "https://www.qdx-affiliates.example/ap_agreement.html");
    choose("Cases");  // no cases.htm in the folder
    EXPECT_EQ(source(), page("cases.htm"));
    EXPECT_TRUE(pageText().contains("can't be reached"));
    EXPECT_TRUE(pageText().contains(QString::fromStdString((app.path() / "cases.htm").string())));

    choose("WePay");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], agreement);
    EXPECT_EQ(source(), agreement);
    EXPECT_TRUE(pageText().contains("opened this page in your web browser"));
    EXPECT_TRUE(pageText().contains(agreement.toString()));

    click("cmdBack");
    EXPECT_EQ(source(), page("cases.htm"));
    EXPECT_TRUE(pageText().contains("can't be reached"));
    click("cmdForward");
    EXPECT_EQ(source(), agreement);
    EXPECT_EQ(opened.size(), 1u);  // going through the history does not open it again
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(HelpMenu, WePaySaysPlainlyWhenNoBrowserCouldBeStarted) {
    browserStarts = false;
    choose("WePay");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(pageText().contains("No web browser could be started"));
    EXPECT_FALSE(pageText().contains("opened this page"));
    EXPECT_TRUE(pageText().contains(opened[0].toString()));  // to copy into a browser

    browserStarts = true;  // a browser is installed meanwhile: the same page, now opened
    choose("WePay");
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_TRUE(pageText().contains("opened this page in your web browser"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(HelpMenu, ShortcutsWinOverTheEditingKeysOfEveryBox) {
    main.show();
    QApplication::setActiveWindow(&main);
    const QUrl agreement(QString(kWebSite) + "/ap_agreement.html");
    const std::tuple<Qt::Key, const char*, QUrl> keys[] = {
        {Qt::Key_A, "About", page("about.htm")},
        {Qt::Key_U, "User Guide", page("user_guide.htm")},
        {Qt::Key_F, "More Info", page("more_info.html")},
        {Qt::Key_C, "Cases", page("cases.htm")},
        {Qt::Key_P, "We pay", agreement},
        {Qt::Key_S, "Support ", page("support.htm")}};
    // Exit would end the test program: count its choosing instead.
    int exits = 0;
    QObject::disconnect(main.action("Exit"), &QAction::triggered, &main, nullptr);
    QObject::connect(main.action("Exit"), &QAction::triggered, [&exits] { ++exits; });
    for (const char* name :
         {"txtDateFrom", "txtDateTo", "txtAIDa", "txtAIDn", "txtAID", "txtAIDd"}) {
        QLineEdit* box = main.lineEdit(name);
        box->setText("12");
        for (const auto& [key, caption, address] : keys) {
            QApplication::setActiveWindow(&main);
            box->setFocus();
            QTest::keyClick(box, key, Qt::ControlModifier);
            ASSERT_NE(viewer(), nullptr) << name;
            EXPECT_EQ(viewer()->windowTitle().toStdString(), caption) << name;
            EXPECT_EQ(source(), address) << name << " " << caption;
        }
        box->setFocus();
        QTest::keyClick(box, Qt::Key_E, Qt::ControlModifier);
        EXPECT_EQ(box->text(), "12") << name;  // nothing selected away or erased
    }
    EXPECT_EQ(exits, 6);
    EXPECT_EQ(opened.size(), 6u);  // We pay, once from each box
    EXPECT_TRUE(messages.isEmpty());
}

}  // namespace
}  // namespace qdx::ui
