// qdx-demo's command line: its version, and the usage for every bad option.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace qdx {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

// Runs `qdx-demo <args>` in `folder`.
Outcome run_demo(const fs::path& folder, const std::string& args) {
    const fs::path out = folder / ".stdout", err = folder / ".stderr";
    const std::string command = "cd '" + folder.string() + "' && '" QDX_DEMO_PROGRAM "' " + args +
                                " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    Outcome o{WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::read_file(out),
              test::read_file(err)};
    fs::remove(out);
    fs::remove(err);
    return o;
}

TEST(DemoProgram, AnswersVersionAndRefusesBadOptionsWithTheUsage) {
    test::TempFolder folder;
    Outcome version = run_demo(folder.path(), "--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("qdx-demo ", 0), 0u) << version.out;
    for (const char* args : {"", "--seed x new", "--affiliates 0 new", "--last-day 2025-02-30 new",
                             "--frobnicate new", "one two", "--seed"}) {
        SCOPED_TRACE(args);
        Outcome o = run_demo(folder.path(), args);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_NE(o.err.find("usage: qdx-demo"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(folder.path() / "new"));
}

}  // namespace
}  // namespace qdx
