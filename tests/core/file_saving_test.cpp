// Files replaced as a whole: back copies and what a killed writer leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/files.h"
#include "core/record_file.h"
#include "support/kill_midway.h"
#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

size_t entries(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(FileSavingTest, ABackCopyIsKeptWhenTheFileCannotBeRead) {
    test::TempFolder folder;
    const fs::path copy = folder.path() / "backcopies" / "sales.qdx";
    fs::create_directories(copy.parent_path());
    write_file_atomically(copy, "good copy");
    // Opens but fails on the first read (EISDIR), as a damaged disk would.
    const fs::path unreadable = folder.path() / "data";
    fs::create_directories(unreadable);

    EXPECT_THROW(copy_replacing(unreadable, copy), FileError);
    EXPECT_EQ(test::read_file(copy), "good copy");
    EXPECT_EQ(entries(copy.parent_path()), 1u);
}

TEST(FileSavingTest, ATemporaryFileLeftByAKilledWriterGoesAtTheNextWrite) {
    test::TempFolder folder;
    const fs::path target = folder.path() / "Accounts_Report.txt";
    std::ofstream(target) << "earlier";  // by an earlier run: this one has not written here yet
    ASSERT_TRUE(test::killed_while_writing(
        1000, [&] { write_file_atomically(target, std::string(5000, 'x')); }));
    EXPECT_EQ(test::read_file(target), "earlier");
    ASSERT_EQ(entries(folder.path()), 2u);  // the target and the killed writer's temporary

    write_file_atomically(target, "later");
    EXPECT_EQ(test::read_file(target), "later");
    EXPECT_EQ(entries(folder.path()), 1u);
}

}  // namespace
}  // namespace qdx
