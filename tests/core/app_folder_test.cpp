#include "core/app_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

// Sets XDG_DATA_HOME for one test.
class DataHome {
  public:
    explicit DataHome(const fs::path& path) { setenv("XDG_DATA_HOME", path.c_str(), 1); }
    ~DataHome() { unsetenv("XDG_DATA_HOME"); }
};

TEST(FolderLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    test::TempFolder dir;
    FolderLock first, second;
    EXPECT_TRUE(first.acquire(dir.path()));
    EXPECT_FALSE(second.acquire(dir.path()));
    first.release();  // as when a Qdx ends or crashes: the lock goes with its file
    EXPECT_TRUE(second.acquire(dir.path()));
}

// A lock file that cannot be opened must not let the program in unguarded.
TEST(FolderLock, ALockFileThatCannotBeOpenedIsRefusedByName) {
    test::TempFolder dir;
    fs::create_directory(dir.path() / ".qdx.lock");
    FolderLock lock;
    try {
        lock.acquire(dir.path());
        FAIL() << "the folder was taken without its lock";
    } catch (const AppFolderError& error) {
        EXPECT_EQ(std::string(error.what())
                      .rfind("The lock file " + (dir.path() / ".qdx.lock").string() +
                                 " cannot be opened: Is a directory.",
                             0),
                  0u)
            << error.what();
    }
}

TEST(AppFolder, AnInstalledCopyKeepsItsDataInThePerUserFolderEvenWhereItCouldWrite) {
    test::TempFolder dir;
    fs::create_directories(dir.path() / "bin");
    fs::create_directories(dir.path() / "share" / "qdx");
    DataHome home(dir.path() / "data");
    EXPECT_EQ(choose_app_folder(dir.path() / "bin"), dir.path() / "data" / "Qdx");
    EXPECT_TRUE(fs::is_directory(dir.path() / "data" / "Qdx"));
}

TEST(AppFolder, NoUsableFolderNamesTheFoldersTried) {
    test::TempFolder dir;
    const fs::path file = dir.path() / "file";  // no folder can be made under it
    std::ofstream(file) << "x";
    DataHome home(file);
    const fs::path missing = dir.path() / "gone";  // a program folder that cannot be written
    try {
        choose_app_folder(missing);
        FAIL() << "a folder was chosen";
    } catch (const AppFolderError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Qdx has no folder to keep its data in: the program folder " + missing.string() +
                      " cannot be written (No such file or directory), and the per-user folder " +
                      (file / "Qdx").string() + " cannot be created: Not a directory.");
    }
}

}  // namespace
}  // namespace qdx
