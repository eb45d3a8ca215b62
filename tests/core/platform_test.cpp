// The engine's way to the operating system: how files open in each mode,
// positioned reads and writes, the lock, folders and processes.
#include "core/platform/platform.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;
using platform::File;
using platform::Folder;
using platform::Mode;

void put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string read_at(const File& file, uint64_t offset, size_t size) {
    std::string bytes(size, '\0');
    const platform::Io io = file.readAt(offset, bytes.data(), size);
    EXPECT_EQ(io.error, 0);
    bytes.resize(io.bytes);
    return bytes;
}

TEST(PlatformFile, EachModeCreatesKeepsOrEmptiesTheFileAsItSays) {
    test::TempFolder folder;
    const fs::path path = folder.path() / "f.qdx";
    File file;
    EXPECT_EQ(file.open(path, Mode::Read), ENOENT);
    EXPECT_EQ(file.open(path, Mode::ReadWrite), ENOENT);
    EXPECT_EQ(file.open(path, Mode::Append), ENOENT);
    EXPECT_FALSE(fs::exists(path));

    put(path, "abcdef");
    EXPECT_EQ(file.open(path, Mode::WriteNew), EEXIST);
    ASSERT_EQ(file.open(path, Mode::WriteCreate), 0);
    EXPECT_EQ(file.write("XY", 2).error, 0);
    file.close();
    EXPECT_EQ(test::read_file(path), "XYcdef");  // kept, overwritten from the start

    ASSERT_EQ(file.open(path, Mode::ReadWriteCreate), 0);
    EXPECT_EQ(read_at(file, 0, 6), "XYcdef");
    ASSERT_EQ(file.open(path, Mode::WriteTruncate), 0);
    file.close();
    EXPECT_EQ(test::read_file(path), "");

    put(path, "abc");
    ASSERT_EQ(file.open(path, Mode::ReadWriteTruncate), 0);
    EXPECT_EQ(read_at(file, 0, 3), "");

    const fs::path fresh = folder.path() / "new.qdx";
    ASSERT_EQ(file.open(fresh, Mode::WriteNew), 0);
    ASSERT_EQ(file.write("n", 1).error, 0);
    file.close();
    EXPECT_EQ(test::read_file(fresh), "n");
}

TEST(PlatformFile, AppendingWritesAtTheEndAndTheFileStaysReadable) {
    test::TempFolder folder;
    const fs::path path = folder.path() / "history.log";
    File log;
    ASSERT_EQ(log.open(path, Mode::AppendCreate), 0);
    ASSERT_EQ(log.write("one\n", 4).error, 0);
    // Another writer appends meanwhile: the next line still goes after it.
    File other;
    ASSERT_EQ(other.open(path, Mode::Append), 0);
    ASSERT_EQ(other.write("two\n", 4).error, 0);
    ASSERT_EQ(log.write("three\n", 6).error, 0);
    EXPECT_EQ(read_at(log, 4, 4), "two\n");
    uint64_t size = 0;
    ASSERT_EQ(log.size(size), 0);
    EXPECT_EQ(size, 14u);
    // A half line is taken back by cutting the file.
    ASSERT_EQ(log.truncate(8), 0);
    EXPECT_EQ(test::read_file(path), "one\ntwo\n");
    EXPECT_EQ(log.syncData(), 0);
    EXPECT_EQ(log.sync(), 0);
}

TEST(PlatformFile, PositionedReadsStopAtTheEndAndWritesPastItFillWithZeros) {
    test::TempFolder folder;
    const fs::path path = folder.path() / "records.qdx";
    File file;
    ASSERT_EQ(file.open(path, Mode::ReadWriteCreate), 0);
    ASSERT_EQ(file.writeAt(4, "ab", 2).error, 0);
    EXPECT_EQ(test::read_file(path), std::string("\0\0\0\0ab", 6));
    EXPECT_EQ(read_at(file, 3, 100), std::string("\0ab", 3));
    EXPECT_EQ(read_at(file, 6, 10), "");
    EXPECT_EQ(read_at(file, 1000, 10), "");
    // Sequential reads come in one request each and end with nothing.
    File reader;
    ASSERT_EQ(reader.open(path, Mode::Read), 0);
    char buffer[4];
    EXPECT_EQ(reader.read(buffer, 4).bytes, 4u);
    EXPECT_EQ(reader.read(buffer, 4).bytes, 2u);
    const platform::Io end = reader.read(buffer, 4);
    EXPECT_EQ(end.bytes, 0u);
    EXPECT_EQ(end.error, 0);
    // A read-only opening refuses writes with the system's reason.
#ifdef _WIN32
    EXPECT_EQ(reader.writeAt(0, "x", 1).error, EACCES);
#else
    EXPECT_EQ(reader.writeAt(0, "x", 1).error, EBADF);
#endif
    EXPECT_EQ(test::read_file(path), std::string("\0\0\0\0ab", 6));
}

TEST(PlatformFile, WhatIsNotOpenSaysSoInsteadOfTouchingAnotherFile) {
    File file;
    char byte = 0;
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.readAt(0, &byte, 1).error, EBADF);
    EXPECT_EQ(file.write(&byte, 1).error, EBADF);
    uint64_t size = 7;
    EXPECT_EQ(file.size(size), EBADF);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(file.truncate(0), EBADF);
    EXPECT_EQ(file.sync(), EBADF);
    EXPECT_EQ(file.tryLock(), EBADF);
    EXPECT_EQ(file.close(), 0);
    EXPECT_EQ(platform::error_text(ENOENT), "No such file or directory");
}

TEST(PlatformFile, TheLockKeepsASecondOpeningOutUntilItsFileCloses) {
    test::TempFolder folder;
    const fs::path path = folder.path() / ".qdx.lock";
    File first, second;
    ASSERT_EQ(first.open(path, Mode::ReadWriteCreate), 0);
    ASSERT_EQ(second.open(path, Mode::Read), 0);
    ASSERT_EQ(first.tryLock(), 0);
    EXPECT_EQ(second.tryLock(), EWOULDBLOCK);

    // The lock moves with its file; a file moved over an open one closes that one.
    File moved(std::move(first));
    EXPECT_FALSE(first.isOpen());
    EXPECT_EQ(second.tryLock(), EWOULDBLOCK);
    File other;
    ASSERT_EQ(other.open(path, Mode::Read), 0);
    moved = std::move(other);
    EXPECT_EQ(second.tryLock(), 0);
}

TEST(PlatformFolder, FilesOpenByNameAndALinkIsRefusedWhereAsked) {
    test::TempFolder temp;
    const fs::path dwl = temp.path() / "dwl";
    Folder folder;
    EXPECT_EQ(folder.open(dwl), ENOENT);
    EXPECT_FALSE(folder.isOpen());
    put(temp.path() / "plain", "x");
    EXPECT_EQ(folder.open(temp.path() / "plain"), ENOTDIR);
    File file;
    EXPECT_EQ(folder.openFile(file, "1.qdx", Mode::Read), EBADF);

    fs::create_directories(dwl);
    ASSERT_EQ(folder.open(dwl), 0);
    EXPECT_EQ(folder.path(), dwl);
    ASSERT_EQ(folder.openFile(file, "1.qdx", Mode::WriteTruncate), 0);
    ASSERT_EQ(file.write("2 3 ", 4).error, 0);
    ASSERT_EQ(file.close(), 0);
    EXPECT_EQ(test::read_file(dwl / "1.qdx"), "2 3 ");
    EXPECT_EQ(folder.openFile(file, "2.qdx", Mode::Read), ENOENT);

#ifndef _WIN32
    // A page that is a link to a file elsewhere is not written through
    // (POSIX only: OpenOptions::noFollow).
    fs::create_symlink(temp.path() / "plain", dwl / " 1.html");
    EXPECT_EQ(folder.openFile(file, " 1.html", Mode::WriteCreate, {0644, true}), ELOOP);
    EXPECT_EQ(test::read_file(temp.path() / "plain"), "x");
#endif
    EXPECT_EQ(folder.syncAll(), 0);

    // Moved, the folder still opens its files.
    Folder moved(std::move(folder));
    EXPECT_FALSE(folder.isOpen());
    EXPECT_EQ(moved.openFile(file, "1.qdx", Mode::Read), 0);
}

TEST(PlatformFiles, ReplacingRemovingAndFlushing) {
    test::TempFolder temp;
    const fs::path target = temp.path() / "Settings.qdx";
    const fs::path temporary = temp.path() / ".Settings.qdx.qdx-tmp-1";
    put(target, "old");
    put(temporary, "new");
    ASSERT_EQ(platform::replace_file(temporary, target), 0);
    EXPECT_EQ(test::read_file(target), "new");
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_EQ(platform::replace_file(temporary, target), ENOENT);

    EXPECT_EQ(platform::remove_file(target), 0);
    EXPECT_EQ(platform::remove_file(target), ENOENT);
    EXPECT_NE(platform::remove_file(temp.path()), 0);  // never a folder
    EXPECT_TRUE(fs::exists(temp.path()));

    EXPECT_EQ(platform::sync_folder(temp.path()), 0);
    EXPECT_EQ(platform::sync_folder(temp.path() / "gone"), ENOENT);
    EXPECT_EQ(platform::sync_file_system(temp.path()), 0);
    EXPECT_EQ(platform::check_writable(temp.path()), 0);
    EXPECT_EQ(platform::check_writable(temp.path() / "gone"), ENOENT);
}

#ifndef _WIN32
TEST(PlatformProcess, AProcessThatEndedIsGoneAndThisOneRuns) {
    EXPECT_EQ(platform::process_id(), static_cast<long>(::getpid()));
    EXPECT_TRUE(platform::process_running(platform::process_id()));
    EXPECT_FALSE(platform::process_running(0));  // not "the process group"
    EXPECT_FALSE(platform::process_running(-1));
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(platform::process_running(child));

    EXPECT_EQ(platform::program_path().filename(), "qdx_core_tests");
    EXPECT_FALSE(platform::user_name().empty());
}
#else
// Windows has no fork(): only this process is looked at.
TEST(PlatformProcess, ThisProcessRuns) {
    EXPECT_EQ(platform::process_id(), static_cast<long>(::_getpid()));
    EXPECT_TRUE(platform::process_running(platform::process_id()));
    EXPECT_FALSE(platform::process_running(0));
    EXPECT_FALSE(platform::process_running(-1));
    EXPECT_EQ(platform::program_path().filename(), "qdx_core_tests.exe");
    EXPECT_FALSE(platform::user_name().empty());
}
#endif

}  // namespace
}  // namespace qdx
