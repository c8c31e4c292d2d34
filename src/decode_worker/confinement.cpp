#include "decode_worker/confinement.h"

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/landlock.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <iterator>

#include "worker_filter_program.h"

namespace ximora::decode {
namespace {

// --- Landlock: reading only below the folders the libraries read ---------------------------

// Rights of newer Landlock versions than the headers this is built against may know.
constexpr uint64_t kRefer = 1ULL << 13;     // ABI 2
constexpr uint64_t kTruncate = 1ULL << 14;  // ABI 3
constexpr uint64_t kIoctlDev = 1ULL << 15;  // ABI 5

constexpr uint64_t kReadRights =
    LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;

uint64_t handledRights(int abi) {
    uint64_t rights = kReadRights | LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                      LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
                      LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
                      LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
                      LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
    if (abi >= 2) rights |= kRefer;
    if (abi >= 3) rights |= kTruncate;
    if (abi >= 5) rights |= kIoctlDev;
    return rights;
}

int landlockAbi() {
    const long abi =
        syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return abi < 0 ? 0 : int(abi);
}

// Allows reading (and mapping libraries) below `path`, if it exists.
void allowReading(int ruleset, const char* path) {
    const int fd = open(path, O_PATH | O_CLOEXEC);
    if (fd < 0) return;
    landlock_path_beneath_attr rule{};
    rule.parent_fd = fd;
    rule.allowed_access = kReadRights;
    // A file takes only the rights that apply to files.
    if (syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0) != 0) {
        rule.allowed_access = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_EXECUTE;
        syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
    }
    close(fd);
}

int restrictFiles() {
    const int abi = landlockAbi();
    if (abi < 1) return 0;
    landlock_ruleset_attr attributes{};
    attributes.handled_access_fs = handledRights(abi);
    const int ruleset = int(
        syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes.handled_access_fs, 0));
    if (ruleset < 0) return 0;
    // The libraries and the plugins and data they open later (codecs opened on first use,
    // fonts for drawings, the loader's cache), and this process's own /proc entries.
    const std::string self = "/proc/" + std::to_string(getpid());
    for (const char* path :
         {"/usr", "/lib", "/lib64", "/etc/ld.so.cache", "/etc/fonts", "/var/cache/fontconfig",
          "/sys/devices/system/cpu", "/dev/null", "/dev/zero", "/dev/urandom", self.c_str()})
        allowReading(ruleset, path);
    const bool done = syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    close(ruleset);
    return done ? abi : 0;
}

// --- seccomp: the system calls a decoder never needs ----------------------------------------

// The filter comes ready from the build (see make_worker_filter.cpp); only the worker's own
// process id, to which alone it may send signals, is put in here.
bool installFilter() {
    constexpr size_t kSteps = std::size(kWorkerFilter);
    std::array<sock_filter, kSteps> steps;
    std::copy(std::begin(kWorkerFilter), std::end(kWorkerFilter), steps.begin());
    const uint32_t self = uint32_t(getpid());
    for (sock_filter& step : steps)
        if (step.k == kProcessIdPlaceholder) step.k = self;
    const sock_fprog program{uint16_t(kSteps), steps.data()};
    return syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}

bool limit(int resource, uint64_t soft, uint64_t hard) {
    const rlimit bounds{rlim_t(soft), rlim_t(hard)};
    return setrlimit(resource, &bounds) == 0;
}

}  // namespace

bool confine(const Confinement& limits, ConfinementReport& report) {
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        report.problem = std::string("no new privileges: ") + std::strerror(errno);
        return false;
    }
    // A crash leaves no core file of what it was reading.
    // Past its processor time the worker is told so (SIGXCPU), and killed a little later.
    const uint64_t cpu = uint64_t(limits.cpuSeconds);
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer's shadow memory takes terabytes of address space: its allocator holds the
    // worker to its memory instead (malloc_limit_mb, set by the program that starts it).
    const uint64_t memory = 0;
#else
    const uint64_t memory = limits.memoryBytes;
#endif
    if (!limit(RLIMIT_CORE, 0, 0) || (memory && !limit(RLIMIT_AS, memory, memory)) ||
        (cpu > 0 && !limit(RLIMIT_CPU, cpu, cpu + 5))) {
        report.problem = std::string("limits: ") + std::strerror(errno);
        return false;
    }
    report.landlockAbi = restrictFiles();
    report.seccomp = installFilter();
    if (!report.seccomp) report.problem = "the system call filter could not be installed";
    return report.seccomp;
}

}  // namespace ximora::decode
