#pragma once
// Stops a piece of work in the middle of a write, as a kill or a power cut
// would: the work runs in a child process that is killed with SIGKILL as
// soon as it writes past `limit` bytes into any file.
#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qdx::test {

// True when the child was killed that way (not when the work ended first).
template <class Work>
bool killed_while_writing(rlim_t limit, Work work) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        const rlimit size{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &size);
        ::signal(SIGXFSZ, [](int) { ::raise(SIGKILL); });
        try {
            work();
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

}  // namespace qdx::test
