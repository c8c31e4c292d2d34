#include "decode_worker/confinement.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>

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

// --- seccomp: the system calls a decoder never needs -----------------------------------------

bool refuse(scmp_filter_ctx filter, int call, int error = EPERM) {
    return seccomp_rule_add(filter, SCMP_ACT_ERRNO(uint32_t(error)), call, 0) == 0;
}

template <typename... Conditions>
bool refuseWhen(scmp_filter_ctx filter, int call, Conditions... conditions) {
    return seccomp_rule_add(filter, SCMP_ACT_ERRNO(EPERM), call, sizeof...(conditions),
                            conditions...) == 0;
}

bool installFilter() {
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (!filter) return false;
    bool ok = true;
    // Files: opened for reading only; nothing made, removed, renamed or changed.
    for (int call : {SCMP_SYS(open), SCMP_SYS(openat)}) {
        const unsigned flagsArgument = call == SCMP_SYS(open) ? 1 : 2;
        for (scmp_datum_t flag :
             {scmp_datum_t(O_WRONLY), scmp_datum_t(O_RDWR), scmp_datum_t(O_CREAT),
              scmp_datum_t(O_TRUNC), scmp_datum_t(O_APPEND)}) {
            const scmp_datum_t mask = flag == O_WRONLY || flag == O_RDWR ? O_ACCMODE : flag;
            ok &= refuseWhen(filter, call, SCMP_CMP(flagsArgument, SCMP_CMP_MASKED_EQ, mask, flag));
        }
    }
    // openat2 keeps its flags where a filter cannot look: "not there" makes callers use openat.
    ok &= refuse(filter, SCMP_SYS(openat2), ENOSYS);
    for (int call : {SCMP_SYS(creat),
                     SCMP_SYS(truncate),
                     SCMP_SYS(unlink),
                     SCMP_SYS(unlinkat),
                     SCMP_SYS(rename),
                     SCMP_SYS(renameat),
                     SCMP_SYS(renameat2),
                     SCMP_SYS(mkdir),
                     SCMP_SYS(mkdirat),
                     SCMP_SYS(rmdir),
                     SCMP_SYS(link),
                     SCMP_SYS(linkat),
                     SCMP_SYS(symlink),
                     SCMP_SYS(symlinkat),
                     SCMP_SYS(mknod),
                     SCMP_SYS(mknodat),
                     SCMP_SYS(chmod),
                     SCMP_SYS(fchmod),
                     SCMP_SYS(fchmodat),
                     SCMP_SYS(chown),
                     SCMP_SYS(fchown),
                     SCMP_SYS(lchown),
                     SCMP_SYS(fchownat),
                     SCMP_SYS(utime),
                     SCMP_SYS(utimes),
                     SCMP_SYS(futimesat),
                     SCMP_SYS(utimensat),
                     SCMP_SYS(setxattr),
                     SCMP_SYS(lsetxattr),
                     SCMP_SYS(fsetxattr),
                     SCMP_SYS(removexattr),
                     SCMP_SYS(lremovexattr),
                     SCMP_SYS(fremovexattr),
                     SCMP_SYS(name_to_handle_at),
                     SCMP_SYS(open_by_handle_at),
                     SCMP_SYS(fallocate),
                     SCMP_SYS(copy_file_range),
                     SCMP_SYS(splice),
                     SCMP_SYS(tee),
                     SCMP_SYS(vmsplice),
                     SCMP_SYS(sendfile)})
        ok &= refuse(filter, call);
    // No network and no new sockets; the worker answers on the one it was given.
    for (int call : {SCMP_SYS(socket), SCMP_SYS(socketpair), SCMP_SYS(connect), SCMP_SYS(bind),
                     SCMP_SYS(listen), SCMP_SYS(accept), SCMP_SYS(accept4)})
        ok &= refuse(filter, call);
    // No programs started, no processes made (threads only), none traced or signalled.
    for (int call :
         {SCMP_SYS(execve), SCMP_SYS(execveat), SCMP_SYS(fork), SCMP_SYS(vfork), SCMP_SYS(ptrace),
          SCMP_SYS(process_vm_readv), SCMP_SYS(process_vm_writev), SCMP_SYS(pidfd_open),
          SCMP_SYS(pidfd_getfd), SCMP_SYS(pidfd_send_signal), SCMP_SYS(tkill), SCMP_SYS(kcmp)})
        ok &= refuse(filter, call);
    ok &= refuseWhen(filter, SCMP_SYS(clone),
                     SCMP_A0(SCMP_CMP_MASKED_EQ, scmp_datum_t(CLONE_THREAD), 0));
    // clone3 keeps its flags in memory: "not there" makes the C library fall back to clone.
    ok &= refuse(filter, SCMP_SYS(clone3), ENOSYS);
    const scmp_datum_t self = scmp_datum_t(getpid());
    ok &= refuseWhen(filter, SCMP_SYS(kill), SCMP_A0(SCMP_CMP_NE, self));
    ok &= refuseWhen(filter, SCMP_SYS(tgkill), SCMP_A0(SCMP_CMP_NE, self));
    ok &= refuseWhen(filter, SCMP_SYS(rt_sigqueueinfo), SCMP_A0(SCMP_CMP_NE, self));
    ok &= refuseWhen(filter, SCMP_SYS(rt_tgsigqueueinfo), SCMP_A0(SCMP_CMP_NE, self));
    // Limits stay as they were set; reading them stays allowed.
    ok &= refuse(filter, SCMP_SYS(setrlimit));
    ok &= refuseWhen(filter, SCMP_SYS(prlimit64), SCMP_A2(SCMP_CMP_NE, 0));
    // The kernel's larger surfaces, which no decoder uses.
    for (int call : {SCMP_SYS(mount),
                     SCMP_SYS(umount2),
                     SCMP_SYS(pivot_root),
                     SCMP_SYS(chroot),
                     SCMP_SYS(setns),
                     SCMP_SYS(unshare),
                     SCMP_SYS(keyctl),
                     SCMP_SYS(add_key),
                     SCMP_SYS(request_key),
                     SCMP_SYS(bpf),
                     SCMP_SYS(perf_event_open),
                     SCMP_SYS(userfaultfd),
                     SCMP_SYS(io_uring_setup),
                     SCMP_SYS(io_uring_enter),
                     SCMP_SYS(io_uring_register),
                     SCMP_SYS(init_module),
                     SCMP_SYS(finit_module),
                     SCMP_SYS(delete_module),
                     SCMP_SYS(kexec_load),
                     SCMP_SYS(kexec_file_load),
                     SCMP_SYS(reboot),
                     SCMP_SYS(swapon),
                     SCMP_SYS(swapoff),
                     SCMP_SYS(acct),
                     SCMP_SYS(settimeofday),
                     SCMP_SYS(clock_settime),
                     SCMP_SYS(adjtimex),
                     SCMP_SYS(personality),
                     SCMP_SYS(quotactl),
                     SCMP_SYS(syslog),
                     SCMP_SYS(fanotify_init),
                     SCMP_SYS(move_pages),
                     SCMP_SYS(migrate_pages),
                     SCMP_SYS(mbind),
                     SCMP_SYS(set_mempolicy)})
        ok &= refuse(filter, call);
    ok = ok && seccomp_load(filter) == 0;
    seccomp_release(filter);
    return ok;
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
