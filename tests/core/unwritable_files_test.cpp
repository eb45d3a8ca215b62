// Files Qdx cannot write say so, and why. Tests run as root, for whom
// permissions stop nothing; sysfs refuses new files and writes even to root.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>

#include "core/accounts.h"
#include "core/record_file.h"
#include "core/records.h"
#include "support/not_on_windows.h"

namespace qdx {
namespace {

#ifndef _WIN32
namespace fs = std::filesystem;

// The error of opening `path` for writing (creating it), 0 when it opened.
int write_open_error(const fs::path& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    ::close(fd);
    ::unlink(path.c_str());
    return 0;
}

// Runs `write` and expects the error that names `path` and says why.
template <class Write>
void expect_cannot_write(const fs::path& path, Write write) {
    const int why = write_open_error(path);
    if (why == 0 || why == ENOENT) GTEST_SKIP() << path << " takes writes here";
    try {
        write();
        ADD_FAILURE() << path << " was written";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot write " + path.string() + ": " + std::strerror(why));
    }
}

// Not "missing": a working file the folder will not take.
TEST(UnwritableFiles, AWorkingFileTheFolderWillNotTakeSaysWhy) {
    AppState state("/sys");
    expect_cannot_write(state.workFile(file::kAccounts), [&] { build_accounts(state, {}); });
}

TEST(UnwritableFiles, WritingARecordFileOpenedOnlyForReadingSaysWhy) {
    const fs::path readOnly = "/sys/kernel/notes";
    RecordFile file(readOnly, MoneyRecord::kSize);  // opens for reading
    expect_cannot_write(readOnly, [&] { file.write(1, MoneyRecord{}); });
}
#else
QDX_NOT_ON_WINDOWS(UnwritableFiles, AWorkingFileTheFolderWillNotTakeSaysWhy,
                   "the folder that takes no file is Linux's sysfs")
QDX_NOT_ON_WINDOWS(UnwritableFiles, WritingARecordFileOpenedOnlyForReadingSaysWhy,
                   "the file that takes no write is Linux's sysfs")
#endif

}  // namespace
}  // namespace qdx
