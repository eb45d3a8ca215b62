// Files Qdx cannot write say so, and why. Tests run as root, for whom
// permissions stop nothing; sysfs refuses new files and writes even to root.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/accounts.h"
#include "core/record_file.h"
#include "core/records.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

// The error of opening `path` for writing (creating it), 0 when it opened.
int write_open_error(const fs::path& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    ::close(fd);
    ::unlink(path.c_str());
    return 0;
}

TEST(UnwritableFiles, AWorkingFileTheFolderWillNotTakeSaysWhyNotThatItIsMissing) {
    AppState state("/sys");
    const fs::path accounts = state.workFile(file::kAccounts);
    const int why = write_open_error(accounts);
    if (why == 0 || why == ENOENT) GTEST_SKIP() << "/sys takes new files here";
    try {
        build_accounts(state);
        FAIL() << "the working file was written";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot write " + accounts.string() + ": " + std::strerror(why));
    }
}

TEST(UnwritableFiles, WritingARecordFileOpenedOnlyForReadingSaysWhy) {
    const fs::path readOnly = "/sys/kernel/notes";
    const int why = write_open_error(readOnly);
    if (why == 0 || why == ENOENT) GTEST_SKIP() << readOnly << " opens for writing here";
    RecordFile file(readOnly, MoneyRecord::kSize);
    MoneyRecord payment;
    try {
        file.write(1, payment);
        FAIL() << "the record was written";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot write " + readOnly.string() + ": " + std::strerror(why));
    }
}

}  // namespace
}  // namespace qdx
