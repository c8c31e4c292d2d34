// The confined workers' common start: flags, confinement, then the requests. The program
// starts a worker with one end of a socket pair as descriptor 3 and hands it files, as open
// descriptors, to decode; see engine/sandbox/sandboxed_decoding.h. A worker confines itself
// before it reads a request.
#include "decode_worker/worker_main.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "decode_worker/confinement.h"
#include "engine/sandbox/decode_service.h"

namespace {

constexpr int kSocket = 3;

// Tries what confinement must refuse, and says what happened: for the tests and for a user who
// wants to see the confinement at work on their system.
void reportRefusals(const char* writable) {
    const auto said = [](const char* what, bool refused) {
        std::printf("%s\t%s\t%s\n", what, refused ? "refused" : "allowed",
                    refused ? std::strerror(errno) : "-");
    };
    errno = 0;
    const int file = open(writable, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    said("write", file < 0);
    if (file >= 0) close(file), unlink(writable);
    const int net = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    said("socket", net < 0);
    if (net >= 0) close(net);
    char* const arguments[] = {const_cast<char*>("/bin/true"), nullptr};
    said("exec", execv("/bin/true", arguments) != 0);
    const pid_t child = fork();
    if (child == 0) _exit(0);
    said("fork", child < 0);
    said("signal another process", kill(getppid(), 0) != 0);
    said("signal itself", kill(getpid(), 0) != 0);
    const int passwd = open("/etc/passwd", O_RDONLY | O_CLOEXEC);
    said("read /etc/passwd", passwd < 0);
    if (passwd >= 0) close(passwd);
}

int usage(const char* name) {
    std::fprintf(stderr,
                 "usage: %s [--memory BYTES] [--cpu SECONDS] [--check [PATH]]\n"
                 "  started by ximora and ximora-batch with their socket as descriptor 3;\n"
                 "  --check confines itself, tries to create PATH and to do what confinement\n"
                 "  refuses, and reports\n",
                 name);
    return 2;
}

}  // namespace

namespace ximora::decode {

int runWorker(int argc, char** argv, const char* name, void (*prepare)()) {
    Confinement limits;
    bool check = false;
    const char* writable = "/tmp/ximora-decode-check";
    for (int i = 1; i < argc; ++i) {
        const std::string_view flag = argv[i];
        if (flag == "--check") {
            check = true;
            if (i + 1 < argc && argv[i + 1][0] != '-') writable = argv[++i];
        } else if ((flag == "--memory" || flag == "--cpu") && i + 1 < argc) {
            char* end = nullptr;
            const unsigned long long value = std::strtoull(argv[++i], &end, 10);
            if (*end) return usage(name);
            if (flag == "--memory")
                limits.memoryBytes = value;
            else
                limits.cpuSeconds = int(value);
        } else {
            return usage(name);
        }
    }
    // Only its socket and the standard streams go with it into confinement. It ends when the
    // program closes the socket or ends (no parent-death signal: that follows the thread that
    // started the worker, which may end while the program goes on).
    if (!check) syscall(SYS_close_range, kSocket + 1, ~0U, 0);
    if (prepare) prepare();
    ConfinementReport report;
    if (!confine(limits, report)) {
        std::fprintf(stderr, "%s: cannot confine itself: %s\n", name, report.problem.c_str());
        return 1;
    }
    if (check) {
        std::printf("seccomp\t%s\nlandlock\t%d\n", report.seccomp ? "on" : "off",
                    report.landlockAbi);
        reportRefusals(writable);
        return 0;
    }
    const double retireAfter = limits.cpuSeconds > 0 ? limits.cpuSeconds / 2.0 : 1e300;
    return ximora::engine::serveDecodeRequests(kSocket, retireAfter);
}

}  // namespace ximora::decode
