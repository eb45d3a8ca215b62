#include "help/help_pages.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/test_support.h"

namespace qdx::help {
namespace {

namespace fs = std::filesystem;

TEST(HelpPages, AProgramBesideItsDataSearchesItsFolderOnce) {
    EXPECT_EQ(help_folders("/opt/qdx/bin", "/opt/qdx/bin").size(), 2u);
}

TEST(HelpPages, FirstFolderHoldingThePageWins) {
    test::TempFolder root;
    fs::path data = root.path() / "data", bin = root.path() / "bin",
             share = root.path() / "share" / "qdx" / "help";
    for (const auto& f : {data, bin, share}) fs::create_directories(f);
    std::ofstream(share / "about.htm") << "shared";
    std::ofstream(bin / "support.htm") << "beside";
    std::ofstream(share / "support.htm") << "shared";
    std::ofstream(data / "cases.htm") << "own";
    std::ofstream(share / "cases.htm") << "shared";
    auto folders = help_folders(data, bin);

    EXPECT_EQ(find_help_page(folders, "about.htm"), share / "about.htm");
    EXPECT_EQ(find_help_page(folders, "support.htm"), bin / "support.htm");
    EXPECT_EQ(find_help_page(folders, "cases.htm"), data / "cases.htm");
    // Found nowhere: the application folder's address, shown as unreachable.
    EXPECT_EQ(find_help_page(folders, "more_info.html"), data / "more_info.html");
}

}  // namespace
}  // namespace qdx::help
