// Files replaced as a whole: back copies and what a killed writer leaves.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/files.h"
#include "core/record_file.h"
#ifndef _WIN32
#include "support/kill_midway.h"
#endif
#include "support/not_on_windows.h"
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

#ifndef _WIN32
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
#else
QDX_NOT_ON_WINDOWS(FileSavingTest, ATemporaryFileLeftByAKilledWriterGoesAtTheNextWrite,
                   "a killed writer is made with fork() and a file size limit")
#endif

#ifndef _WIN32
// A link is written through: the file it leads to gets the new bytes, the
// link stays a link, and no temporary is left beside either.
TEST(FileSavingTest, ALinkIsWrittenThroughAndStaysALink) {
    test::TempFolder folder;
    const fs::path real = folder.path() / "kept" / "payout.csv";
    const fs::path link = folder.path() / "out" / "payout.csv";
    fs::create_directories(real.parent_path());
    fs::create_directories(link.parent_path());
    write_file_atomically(real, "old");
    fs::create_symlink("../kept/payout.csv", link);  // relative, as `ln -s` makes them
    const fs::path chain = folder.path() / "out" / "latest.csv";
    fs::create_symlink("payout.csv", chain);  // a link to the link

    write_file_atomically(link, "new");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(test::read_file(real), "new");
    write_file_atomically(chain, "newer");
    EXPECT_TRUE(fs::is_symlink(chain));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(test::read_file(real), "newer");
    EXPECT_EQ(entries(real.parent_path()), 1u);
    EXPECT_EQ(entries(link.parent_path()), 2u);

    // A link to nowhere yet makes the file it names.
    const fs::path dangling = folder.path() / "out" / "next.csv";
    fs::create_symlink("../kept/next.csv", dangling);
    write_file_atomically(dangling, "first");
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(test::read_file(folder.path() / "kept" / "next.csv"), "first");
}
#else
QDX_NOT_ON_WINDOWS(FileSavingTest, ALinkIsWrittenThroughAndStaysALink,
                   "symbolic links need privileges on Windows, and Wine makes none")
#endif

#ifndef _WIN32
// Devices, fifos and folders are refused by name, never replaced.
TEST(FileSavingTest, WhatIsNotARegularFileIsRefusedAndLeftAsItIs) {
    test::TempFolder folder;
    const fs::path fifo = folder.path() / "report.pdf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const fs::path sub = folder.path() / "Accounts_Report.txt";
    fs::create_directories(sub / "inside");  // a folder, not empty
    const fs::path emptyFolder = folder.path() / "payout.csv";
    fs::create_directory(emptyFolder);  // rename() would replace an empty one
    const fs::path toDevice = folder.path() / "chart.png";
    fs::create_symlink("/dev/null", toDevice);

    struct Case {
        fs::path target;
        std::string what;
    } cases[] = {{"/dev/null", "it is a device"},
                 {fifo, "it is a fifo"},
                 {sub, "it is a folder"},
                 {emptyFolder, "it is a folder"},
                 {toDevice, "(a link to /dev/null): it is a device"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        try {
            write_file_atomically(c.target, "bytes");
            ADD_FAILURE() << "written";
        } catch (const FileError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("Cannot write " + c.target.string(), 0), 0u) << message;
            EXPECT_NE(message.find(c.what + ", not a regular file, and is left as it is"),
                      std::string::npos)
                << message;
        }
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
    EXPECT_TRUE(fs::is_directory(sub / "inside"));
    EXPECT_TRUE(fs::is_directory(emptyFolder));
    EXPECT_TRUE(fs::is_symlink(toDevice));
    EXPECT_EQ(entries(folder.path()), 4u);  // no temporary left
    EXPECT_FALSE(fs::exists("/dev/.null.qdx-tmp-" + std::to_string(::getpid())));
}
#else
QDX_NOT_ON_WINDOWS(FileSavingTest, WhatIsNotARegularFileIsRefusedAndLeftAsItIs,
                   "fifos and /dev/null are POSIX things")
#endif

}  // namespace
}  // namespace qdx
