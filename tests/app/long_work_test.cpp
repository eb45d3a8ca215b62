// Long work from the windows: the progress dialog and its half second, Cancel
// half-way leaving every file and the report window as they were, one report
// at a time.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>

#include "app/main_window_fixture.h"

namespace qdx::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class LongWorkTest : public MainWindowTest {
  protected:
    void SetUp() override {
        write_settings(state, settings("Percents", {10}, 5));
        std::vector<AffiliateRecord> people;
        for (int32_t id = 1; id <= 5; ++id)
            people.push_back(affiliate(id, id - 1, id, ole_from_ymd(2003, 1, id), "Ann"));
        write_affiliates(state, people);
        write_money(state, file::kSales, {{5, 200, ole_from_ymd(2003, 3, 15)}});
        write_money(state, file::kPayments, {{2, 1, ole_from_ymd(2002, 1, 1)}});
        openMainWindow();
    }
    static QProgressDialog* progressDialog() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "dlgLongWork") return qobject_cast<QProgressDialog*>(w);
        return nullptr;
    }
    // Presses the shown dialog's Cancel, after saying what the dialog said.
    std::function<void()> pressCancel() {
        return [this] {
            QProgressDialog* dialog = progressDialog();
            ASSERT_NE(dialog, nullptr);
            EXPECT_TRUE(dialog->isVisible());
            label = dialog->labelText();
            dialog->findChild<QPushButton*>("cmdCancelWork")->click();
        };
    }
    // Holds the worker at the first report of `stage` with `done` units done,
    // runs `action` on the window thread and lets the worker go once a stop
    // was asked for (or `release` says so).
    void holdAt(const std::string& stage, int64_t done, std::function<void()> action,
                std::function<bool()> release = nullptr) {
        auto fired = std::make_shared<std::atomic<bool>>(false);
        context.workerHook = [=](const ProgressReport& report, std::stop_token stop) {
            if (report.what != stage || report.done < done || fired->exchange(true)) return;
            QMetaObject::invokeMethod(qApp, action, Qt::QueuedConnection);
            const auto until = std::chrono::steady_clock::now() + 10s;
            while (!(release ? release() : stop.stop_requested()) &&
                   std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(1ms);
        };
    }
    // Every file of the application folder but the backup made before the
    // payments and its history line: the data as it was, not a change of it.
    std::map<std::string, std::string> files() const {
        auto all = files_under(folder.path());
        std::erase_if(all, [](const auto& file) {
            return file.first.starts_with("backups/") || file.first.ends_with("history.log");
        });
        return all;
    }

    QString label;
};

// Cancel half-way through a report: no error box, no working file, the
// window still shows the report it showed; a second report asked for while
// the first runs is refused.
TEST_F(LongWorkTest, ACancelledReportLeavesTheFilesAndTheShownReportAsTheyWere) {
    click("cmdAccountsR");
    ui::ReportWindow* w = reportWindow();
    ASSERT_NE(w, nullptr);
    const auto shown = texts_of(w->table());
    const auto before = files();

    context.progressDelayMs = 0;
    holdAt("Adding up the sales", 0, [this] {
        click("cmdAPperformanceR");  // refused while the other runs
        pressCancel()();
    });
    click("cmdPaymentsR");

    EXPECT_EQ(messageTexts(), QStringList{"A report is being made: wait for it or cancel it."});
    EXPECT_TRUE(label.startsWith("Making the report") || label.startsWith("Adding up the sales"))
        << label.toStdString();
    EXPECT_EQ(files(), before);
    EXPECT_FALSE(fs::exists(state.workFile(file::kAccounts)));
    EXPECT_EQ(texts_of(w->table()), shown);
    EXPECT_EQ(w->windowTitle(), "Accounts_Report");
    EXPECT_TRUE(w->findChild<QPushButton*>("cmdRegistrePayments")->isHidden());
    EXPECT_EQ(w->statusText(), "Cancelled.");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(progressDialog(), nullptr);

    click("cmdAPperformanceR");  // once the first has ended, the next runs
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(w->windowTitle(), "AP_Performance_Report");
}

// Closing the report window, or the main window, while a report is made
// stops it and waits for the worker before anything goes.
TEST_F(LongWorkTest, ClosingAWindowStopsTheReportItRuns) {
    holdAt("Adding up the sales", 0, [this] { reportWindow()->close(); });
    click("cmdAccountsR");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(reportWindow(), nullptr);
    EXPECT_EQ(context.longWork, nullptr);

    holdAt("Adding up the sales", 0, [this] { main->close(); });
    click("cmdPaymentsR");
    EXPECT_TRUE(messages.empty()) << messageTexts().join("|").toStdString();
    EXPECT_FALSE(fs::exists(state.workFile(file::kAccounts)));
    EXPECT_FALSE(fs::exists(state.workFile(file::kActivity)));
    EXPECT_EQ(reportWindow()->windowTitle(), "Payments_Report");  // named, never filled
    EXPECT_EQ(reportWindow()->table().rowCount(), 0u);
}

// The dialog appears once the work has run for half a second, never for
// work that ends sooner.
TEST_F(LongWorkTest, TheProgressDialogAppearsAfterHalfASecondOnly) {
    int shownCount = 0;
    std::atomic<bool> shown = false;
    qint64 shownAfter = 0;
    QElapsedTimer clock;
    context.progressShown = [&](QProgressDialog& dialog) {
        ++shownCount;
        shownAfter = clock.elapsed();
        EXPECT_TRUE(dialog.isVisible());
        shown = true;
    };
    clock.start();
    click("cmdAccountsR");
    EXPECT_EQ(shownCount, 0);

    holdAt(
        "Adding up the sales", 0, [] {}, [&] { return shown.load(); });
    clock.start();
    click("cmdAccountsR");
    EXPECT_EQ(shownCount, 1);
    EXPECT_GE(shownAfter, 490);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(reportWindow()->windowTitle(), "Accounts_Report");
}

// Cancelled Register payments writes none; cancelled pages leave the page
// set of the run before, with no staging folder left.
TEST_F(LongWorkTest, CancelledPaymentsAndPagesWriteNothing) {
    main->findChild<QCheckBox*>("chHTML")->setChecked(true);
    click("cmdPaymentsR");
    ui::ReportWindow* w = reportWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(fs::exists(folder.path() / "HTML" / " 1.html"));
    ASSERT_GE(w->table().rowCount(), 3u);
    const auto shown = texts_of(w->table());

    context.progressDelayMs = 0;
    const auto before = files();
    holdAt("Registering the payments", 0, pressCancel());
    w->findChild<QPushButton*>("cmdRegistrePayments")->click();
    EXPECT_EQ(messages.size(), 1u);  // the question only
    EXPECT_EQ(w->statusText(), "Cancelled.");
    EXPECT_EQ(files(), before);

    // More sales change every page; the second run stops after the first
    // affiliate's pages.
    write_money(state, file::kSales,
                {{5, 200, ole_from_ymd(2003, 3, 15)}, {1, 900, ole_from_ymd(2003, 3, 16)}});
    const auto pagesBefore = files();
    holdAt("Listing the accounts", 2, pressCancel());
    click("cmdPaymentsR");
    EXPECT_TRUE(label.startsWith("Listing the accounts")) << label.toStdString();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(texts_of(w->table()), shown);
    std::map<std::string, std::string> after = files(), expected = pagesBefore;
    expected.erase("activity.qdx");  // a cancelled report leaves no working file
    EXPECT_EQ(after, expected);
    EXPECT_FALSE(fs::exists(folder.path() / "HTML.partial"));

    context.workerHook = nullptr;
    click("cmdPaymentsR");
    EXPECT_NE(read_file(folder.path() / "HTML" / " 1.html"),
              pagesBefore.at("HTML/ 1.html"));  // a finished run replaces the set
}

}  // namespace
}  // namespace qdx::test
