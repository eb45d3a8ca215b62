#pragma once
// Runs a batch program as a user's shell would, capturing what it prints.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <locale.h>
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace qdx::test {

struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

struct Invocation {
    std::string program;
    std::string locale = "en_GB.UTF-8";
    std::string env;       // further assignments before the program
    std::string stdoutTo;  // where standard output goes; captured when empty
};

// Why the programs cannot run under `locale` here, if they cannot. Without
// Qt they read the C library's locale, which must be installed; on Windows
// the user locale is the system's, not the environment's: Wine takes it
// from LC_ALL when its first process starts (en_GB.UTF-8 is en-GB) and
// the processes that one starts keep it, whatever their LC_ALL (the tests
// run with the LC_ALL of tests/CMakeLists.txt).
inline std::optional<std::string> locale_unavailable(const std::string& locale) {
#ifdef _WIN32
    const char* own = std::getenv("LC_ALL");
    if (!own || locale != own)
        return "the user locale here is the one Wine started with (LC_ALL=" +
               std::string(own ? own : "") + "), not " + locale;
#elif defined(QDX_NO_QT)
    if (locale_t l = ::newlocale(LC_ALL_MASK, locale.c_str(), locale_t{})) {
        ::freelocale(l);
    } else {
        return "the locale " + locale +
               " is not installed, and a build without Qt reads the C library's";
    }
#endif
    static_cast<void>(locale);
    return std::nullopt;
}

#ifndef _WIN32

inline std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

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

#else

// As the C library splits a command line (no quote inside).
inline std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// Runs `<program> <args>` in `folder`, its standard output and error in
// files (a failure to start it is exit code -1); the assignments of `how.env` (NAME=value,
// blank-separated) hold for the program alone. The locale is the one this process has.
inline Outcome run_program(const std::filesystem::path& folder, const std::string& args,
                           const Invocation& how) {
    namespace fs = std::filesystem;
    const fs::path out = how.stdoutTo.empty() ? folder / ".stdout" : fs::path(how.stdoutTo);
    const fs::path err = folder / ".stderr";
    Outcome o;
    if (auto why = locale_unavailable(how.locale)) {
        o.err = *why;
        return o;
    }
    std::vector<std::pair<std::wstring, std::optional<std::wstring> > > before;
    std::istringstream assignments(how.env);
    for (std::string word; assignments >> word;) {
        const size_t eq = word.find('=');
        if (eq == std::string::npos) continue;
        const std::wstring name = fs::path(word.substr(0, eq)).wstring();
        wchar_t old[32768];
        const DWORD n = ::GetEnvironmentVariableW(name.c_str(), old, 32768);
        before.push_back({name, n ? std::optional<std::wstring>(old) : std::nullopt});
        ::SetEnvironmentVariableW(name.c_str(), fs::path(word.substr(eq + 1)).wstring().c_str());
    }
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    auto create = [&](const fs::path& path, DWORD access, DWORD disposition) {
        return ::CreateFileW(path.wstring().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherited, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE in = create(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE outFile = create(out, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE errFile = create(err, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = in;
    start.hStdOutput = outFile;
    start.hStdError = errFile;
    PROCESS_INFORMATION process{};
    std::wstring command = fs::path(quoted(how.program) + " " + args).wstring();
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         folder.wstring().c_str(), &start, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (::GetExitCodeProcess(process.hProcess, &code)) o.exitCode = static_cast<int>(code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    for (HANDLE h : {in, outFile, errFile})
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    for (const auto& [name, value] : before)
        ::SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
    // Standard output as bytes (the reports are CR LF themselves), the
    // messages as a text reader sees them: CR LF read as LF.
    o.out = read_file(out);
    for (char c : read_file(err))
        if (c != '\r') o.err += c;
    if (how.stdoutTo.empty()) fs::remove(out);
    fs::remove(err);
    return o;
}

#endif

}  // namespace qdx::test
