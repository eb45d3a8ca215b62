#pragma once
// Runs a batch program as a user's shell would, capturing what it prints.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace qdx::test {

struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

inline std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct Invocation {
    std::string program;
    std::string locale = "en_GB.UTF-8";
    std::string env;       // further assignments before the program
    std::string stdoutTo;  // where standard output goes; captured when empty
};

// Runs `<program> <args>` in `folder`.
inline Outcome run_program(const std::filesystem::path& folder, const std::string& args,
                           const Invocation& how) {
    const std::filesystem::path out = folder / ".stdout", err = folder / ".stderr";
    const std::string command = "cd " + quoted(folder.string()) + " && LC_ALL=" + how.locale + " " +
                                how.env + " " + quoted(how.program) + " " + args + " >" +
                                quoted(how.stdoutTo.empty() ? out.string() : how.stdoutTo) + " 2>" +
                                quoted(err.string());
    const int status = std::system(command.c_str());
    Outcome o;
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = read_file(out);
    o.err = read_file(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return o;
}

}  // namespace qdx::test
