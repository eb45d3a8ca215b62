#include "core/app_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/not_on_windows.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
// A program folder that cannot be written and a per-user folder that cannot
// be made: both are named, with why.
TEST(AppFolder, NoUsableFolderNamesTheFoldersTried) {
    test::TempFolder dir;
    const fs::path file = dir.path() / "file";  // no folder can be made under it
    std::ofstream(file) << "x";
    setenv("XDG_DATA_HOME", file.c_str(), 1);
    const fs::path missing = dir.path() / "gone";
    try {
        choose_app_folder(missing);
        ADD_FAILURE() << "a folder was chosen";
    } catch (const AppFolderError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Qdx has no folder to keep its data in: the program folder " + missing.string() +
                      " cannot be written (No such file or directory), and the per-user folder " +
                      (file / "Qdx").string() + " cannot be created: Not a directory.");
    }
    unsetenv("XDG_DATA_HOME");
}
#else
QDX_NOT_ON_WINDOWS(AppFolder, NoUsableFolderNamesTheFoldersTried,
                   "the per-user folder is set by XDG_DATA_HOME on POSIX (APPDATA on Windows)")
#endif

}  // namespace
}  // namespace qdx
