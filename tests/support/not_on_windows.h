#pragma once
// A test that needs what only POSIX systems give (fork, a file size limit,
// sysfs, XDG folders) is listed on Windows as a disabled test with the
// reason, so that it is never dropped without a word:
//
//   #ifndef _WIN32
//   TEST(Suite, Name) { ... }
//   #else
//   QDX_NOT_ON_WINDOWS(Suite, Name, "needs fork()")
//   #endif
#include <gtest/gtest.h>

#define QDX_NOT_ON_WINDOWS(suite, name, why) \
    TEST(suite, DISABLED_##name) { GTEST_SKIP() << "not on Windows: " why; }

// A test of what makes a backup first (a repair, an import) is skipped, with
// the reason, in a build without backup archives (no libzip and Nettle).
#ifdef QDX_NO_BACKUP_ARCHIVES
#define QDX_SKIP_WITHOUT_BACKUPS() \
    GTEST_SKIP() << "this build makes no backup archives (no libzip and Nettle)"
#else
#define QDX_SKIP_WITHOUT_BACKUPS() static_cast<void>(0)
#endif
