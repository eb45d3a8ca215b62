// The desktop program's start: no usable folder, or a folder it cannot
// lock, is told in a message box and the program does not open.
#include "app/app_start.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/test_support.h"

namespace qdx::ui {
namespace {

namespace fs = std::filesystem;

class AppStartTest : public ::testing::Test {
  protected:
    AppStartTest() {
        context.messageSink = [this](const MessageRequest& r) {
            messages.push_back(r.text);
            return MessageAnswer::Ok;
        };
    }
    ~AppStartTest() override { unsetenv("XDG_DATA_HOME"); }
    test::TempFolder dir;
    AppState state;
    UiContext context{state};
    QStringList messages;
    FolderLock lock;
};

TEST_F(AppStartTest, NoFolderForTheDataIsToldByName) {
    // An installed copy whose per-user folder cannot be made.
    fs::create_directories(dir.path() / "bin");
    fs::create_directories(dir.path() / "share" / "qdx");
    setenv("XDG_DATA_HOME", "/dev/null", 1);
    EXPECT_FALSE(open_app_folder(context, lock, dir.path() / "bin"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("/dev/null/Qdx")) << messages[0].toStdString();
}

TEST_F(AppStartTest, AFolderThatCannotBeLockedIsRefused) {
    fs::create_directory(dir.path() / ".qdx.lock");
    EXPECT_FALSE(open_app_folder(context, lock, dir.path()));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QString::fromStdString(
        "The lock file " + (dir.path() / ".qdx.lock").string() + " cannot be opened")))
        << messages[0].toStdString();

    fs::remove(dir.path() / ".qdx.lock");
    EXPECT_TRUE(open_app_folder(context, lock, dir.path()));
    EXPECT_EQ(state.appDir, dir.path());
    EXPECT_EQ(messages.size(), 1);
}

}  // namespace
}  // namespace qdx::ui
