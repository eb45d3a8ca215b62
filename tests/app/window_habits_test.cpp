// The keyboard and window habits of the program: Enter runs what a box is
// for, Escape closes the windows that hold nothing typed, "Tree..." opens
// the downline tree, windows come back at the size and place they were
// left, and every window carries the program's icon.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTreeView>
#include <filesystem>

#include "app/app_start.h"
#include "app/main_window_fixture.h"
#include "core/ui/window_memory.h"
#include "help/ui/help_window.h"
#include "registers/ui/open_register_window.h"
#include "registers/ui/record_editor.h"
#include "reports/ui/downline_tree_model.h"
#include "reports/ui/downline_tree_window.h"

namespace qdx::test {
namespace {

namespace fs = std::filesystem;

class WindowHabitsTest : public MainWindowTest {
  protected:
    void SetUp() override {
        QSettings().clear();
        write_affiliates(state, {affiliate(1, 0, 1, ole_from_ymd(2003, 1, 5), "Ann"),
                                 affiliate(2, 1, 2, ole_from_ymd(2003, 2, 5), "Bob"),
                                 affiliate(3, 2, 3, ole_from_ymd(2003, 2, 9), "Cy")});
        openMainWindow();
        main->show();
    }

    QWidget* window(const char* key) const { return context.openWindow(key); }
    // Presses a key in a window's focused control, then lets closed windows go.
    static void press(QWidget* target, Qt::Key key) {
        QTest::keyClick(target, key);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

// Enter in an ID box runs that box's report.
TEST_F(WindowHabitsTest, EnterInAnIdBoxRunsItsReport) {
    const std::pair<const char*, QString> boxes[] = {
        {"txtAIDa", "Activity_Report;ID=2"},
        {"txtAIDn", "Sub Net Structure Report for the Affiliate with ID=2"},
        {"txtAID", "Affiliate's 2 income structure Report"},
        {"txtAIDd", "Downline of the Affiliate with ID= 2  Report"}};
    for (const auto& [box, caption] : boxes) {
        QLineEdit* edit = main->lineEdit(box);
        edit->setText("2");
        QTest::keyClick(edit, Qt::Key_Return);
        ASSERT_NE(window("frmReports"), nullptr) << box;
        EXPECT_EQ(window("frmReports")->windowTitle(), caption);
    }
    EXPECT_TRUE(messages.empty());
}

// "Tree..." checks the ID as the Downline report does, then opens one tree
// window; a row opened there shows the affiliate in the affiliates window.
TEST_F(WindowHabitsTest, TreeButtonOpensTheTreeAndARowOpensTheAffiliate) {
    QLineEdit* id = main->lineEdit("txtAIDd");
    QPushButton* tree = main->button("cmdDownlineTree");
    ASSERT_NE(tree, nullptr);
    for (const char* typed : {"", "x", "4"}) {
        id->setText(typed);
        tree->click();
    }
    EXPECT_EQ(messageTexts(), (QStringList{"Please enter data into the field",
                                           "Sorry, you entered an incorrect value",
                                           "Sorry, there is no Affiliate with that ID"}));
    EXPECT_EQ(window("frmDownlineTree"), nullptr);

    id->setText("1");
    tree->click();
    auto* w = qobject_cast<ui::DownlineTreeWindow*>(window("frmDownlineTree"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Downline tree of the Affiliate with ID= 1");
    id->setText("0");
    tree->click();
    EXPECT_EQ(window("frmDownlineTree"), w);
    EXPECT_EQ(w->model()->rowCount(), 1);  // the one top-level affiliate

    auto* find = w->findChild<QLineEdit*>("txtFind");
    find->setText("cy");
    QTest::keyClick(find, Qt::Key_Return);
    QTest::keyClick(w->view(), Qt::Key_Return);
    auto* affiliates = qobject_cast<ui::RecordEditor*>(window("frmAffiliates"));
    ASSERT_NE(affiliates, nullptr);
    EXPECT_EQ(affiliates->currentRecord(), 3);
    EXPECT_EQ(affiliates->findChild<QLineEdit*>("txtName")->text().trimmed(), "Cy");

    // A record being typed there is left alone.
    affiliates->findChild<QPushButton*>("cmdEdit")->click();
    find->setText("2");
    QTest::keyClick(find, Qt::Key_Return);
    QTest::keyClick(w->view(), Qt::Key_Return);
    EXPECT_EQ(affiliates->currentRecord(), 3);
    EXPECT_EQ(messages.size(), 3u);
}

// Escape closes the report, tree and help windows; windows that may hold
// typed text stay open.
TEST_F(WindowHabitsTest, EscapeClosesOnlyWindowsWithoutTypedText) {
    main->lineEdit("txtAIDd")->setText("1");
    main->button("cmdDownline")->click();
    main->button("cmdDownlineTree")->click();
    ui::open_help_item(context, ui::help_items().front(), {{folder.path()}, {}});
    for (auto button : {ui::MainButton::Affiliates, ui::MainButton::APSettings})
        main->button(button)->click();
    for (const char* key : {"frmReports", "frmDownlineTree", "frmHelp"}) {
        QWidget* w = window(key);
        ASSERT_NE(w, nullptr) << key;
        QApplication::setActiveWindow(w);
        press(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Escape);
        EXPECT_EQ(window(key), nullptr) << key;
    }
    for (const char* key : {"frmAffiliates", "frmAPSettings"}) {
        QWidget* w = window(key);
        ASSERT_NE(w, nullptr) << key;
        QApplication::setActiveWindow(w);
        press(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Escape);
        EXPECT_NE(window(key), nullptr) << key;
    }
}

// A window opens at its own size the first time, and where it was left
// after that; the places are kept in the user's settings, not in the
// application folder.
TEST_F(WindowHabitsTest, WindowsComeBackWhereTheyWereLeft) {
    main->lineEdit("txtAIDd")->setText("1");
    main->button("cmdDownline")->click();
    QWidget* reports = window("frmReports");
    ASSERT_NE(reports, nullptr);
    EXPECT_EQ(reports->size(), QSize(820, 560));
    reports->setGeometry(40, 30, 700, 500);  // inside the offscreen screen of 800 × 600
    const QRect left = reports->geometry();
    reports->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(window("frmReports"), nullptr);

    main->button("cmdDownline")->click();
    ASSERT_NE(window("frmReports"), nullptr);
    EXPECT_EQ(window("frmReports")->geometry(), left);
    EXPECT_TRUE(QSettings().contains("windows/frmReports"));
    const fs::path settingsFile = QSettings().fileName().toStdString();
    EXPECT_NE(fs::relative(settingsFile, folder.path()).string().rfind("..", 0), std::string::npos)
        << settingsFile;
}

// A place remembered on another, larger screen far to the right: the window
// comes back whole on this one, moved and shrunk to its available area.
TEST_F(WindowHabitsTest, APlaceOffTheScreenComesBackInsideIt) {
    {
        QWidget elsewhere;
        elsewhere.setGeometry(30000, 20000, 3000, 2500);
        QSettings().setValue("windows/frmReports", elsewhere.saveGeometry());
    }
    main->lineEdit("txtAIDd")->setText("1");
    main->button("cmdDownline")->click();
    QWidget* reports = window("frmReports");
    ASSERT_NE(reports, nullptr);
    const QRect screen = reports->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(reports->frameGeometry()))
        << reports->frameGeometry().x() << "," << reports->frameGeometry().y() << " "
        << reports->frameGeometry().width() << "x" << reports->frameGeometry().height() << " in "
        << screen.width() << "x" << screen.height();
    EXPECT_GE(reports->width(), screen.width() - 40);  // shrunk to the screen, not to nothing

    // Partly off, at the left and the top: moved in, its size kept.
    EXPECT_EQ(ui::placed_inside(QRect(-300, -50, 400, 300), QRect(0, 0, 800, 600)),
              QRect(0, 0, 400, 300));
    EXPECT_EQ(ui::placed_inside(QRect(700, 500, 400, 300), QRect(0, 0, 800, 600)),
              QRect(400, 300, 400, 300));
    // Inside already: left as it is; on a second screen's area: kept there.
    EXPECT_EQ(ui::placed_inside(QRect(10, 20, 400, 300), QRect(0, 0, 800, 600)),
              QRect(10, 20, 400, 300));
    EXPECT_EQ(ui::placed_inside(QRect(2000, 100, 4000, 300), QRect(1920, 0, 1280, 1024)),
              QRect(1920, 100, 1280, 300));
}

TEST(ProgramIdentity, EveryWindowCarriesTheIconAndTheDesktopName) {
    const QString name = QCoreApplication::applicationName();
    const QString organisation = QCoreApplication::organizationName();
    ui::set_program_identity();
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_FALSE(QApplication::windowIcon().pixmap(32, 32).isNull());
    EXPECT_EQ(QGuiApplication::desktopFileName(), "qdx");
    EXPECT_EQ(QCoreApplication::applicationName(), "Qdx");
    QWidget any;
    EXPECT_EQ(any.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
    QCoreApplication::setApplicationName(name);
    QCoreApplication::setOrganizationName(organisation);
}

}  // namespace
}  // namespace qdx::test
