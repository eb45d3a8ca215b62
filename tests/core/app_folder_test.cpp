#include <gtest/gtest.h>

#include <cstdlib>

#include "core/app_folder.h"
#include "support/test_support.h"

namespace qdx {
namespace {

TEST(FolderLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    test::TempFolder dir;
    FolderLock first, second;
    EXPECT_TRUE(first.acquire(dir.path()));
    EXPECT_FALSE(second.acquire(dir.path()));
    first.release();  // as when a Qdx ends or crashes: the lock goes with its file
    EXPECT_TRUE(second.acquire(dir.path()));
}

TEST(AppFolder, WritableProgramFolderIsUsedAndPerUserFolderFollowsXdg) {
    test::TempFolder dir;
    EXPECT_EQ(choose_app_folder(dir.path()), dir.path());
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    EXPECT_EQ(per_user_folder(), dir.path() / "Qdx");
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace qdx
