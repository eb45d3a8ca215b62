// The desktop program's start: a folder it cannot lock (or no usable folder)
// is told in a message box and the program does not open.
#include "app/app_start.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace qdx::ui {
namespace {

namespace fs = std::filesystem;

TEST(AppStart, AFolderThatCannotBeLockedIsRefusedInABox) {
    test::TempFolder dir;
    AppState state;
    UiContext context{state};
    QStringList messages;
    context.messageSink = [&messages](const MessageRequest& r) {
        messages.push_back(r.text);
        return MessageAnswer::Ok;
    };
    FolderLock lock;
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
