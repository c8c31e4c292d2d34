#pragma once
// Runs a piece of a test in a forked child process, so that a fault can be injected there (a
// file-size or memory limit, a private mount, a kill at a chosen moment) without touching the
// test process. The child's exit status is its answer.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace ximora::testing {

/// The child's exit status, or 128 + the signal that ended it. `body` runs in the child and
/// returns its exit status; nothing of the child's returns to the test otherwise.
inline int runInChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

/// Limits the size of every file the calling process writes to `bytes`; a write past it fails
/// with EFBIG instead of ending the process.
inline void limitFileSize(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

}  // namespace ximora::testing
