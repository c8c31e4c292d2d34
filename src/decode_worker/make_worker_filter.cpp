// Builds the workers' system call filter with libseccomp when the programs are built, and writes
// it as a C++ header: the classic BPF program the worker loads, and its pseudo code for readers.
// Building the filter in every worker took a fifth of a worker's start (libseccomp's allocations
// and the library's own loading); loading a ready program costs one system call.
//
// The filter allows signals only to the worker itself, whose process id is known only when it
// runs: the rules compare with kProcessIdPlaceholder, which the worker replaces with its own id.
//
// usage: make_worker_filter HEADER
#include <fcntl.h>
#include <linux/filter.h>
#include <sched.h>
#include <seccomp.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

// No process id reaches it (the kernel's limit is 2^22), nor does any number the rules compare.
constexpr uint32_t kProcessIdPlaceholder = 0x3a5e1d00;

bool refuse(scmp_filter_ctx filter, int call, int error = EPERM) {
    return seccomp_rule_add(filter, SCMP_ACT_ERRNO(uint32_t(error)), call, 0) == 0;
}

template <typename... Conditions>
bool refuseWhen(scmp_filter_ctx filter, int call, Conditions... conditions) {
    return seccomp_rule_add(filter, SCMP_ACT_ERRNO(EPERM), call, sizeof...(conditions),
                            conditions...) == 0;
}

// The system calls a decoder never needs.
bool addRules(scmp_filter_ctx filter) {
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
    const scmp_datum_t self = kProcessIdPlaceholder;
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
    return ok;
}

// What libseccomp exports through `write` into a descriptor, read back whole.
template <typename Export>
bool exported(scmp_filter_ctx filter, Export exportTo, std::string& text) {
    std::FILE* buffer = std::tmpfile();
    if (!buffer) return false;
    bool ok = exportTo(filter, fileno(buffer)) == 0 && std::fseek(buffer, 0, SEEK_SET) == 0;
    char chunk[4096];
    for (size_t got; ok && (got = std::fread(chunk, 1, sizeof chunk, buffer)) > 0;)
        text.append(chunk, got);
    std::fclose(buffer);
    return ok;
}

int fail(const char* what) {
    std::fprintf(stderr, "make_worker_filter: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return fail("usage: make_worker_filter HEADER");
    // The lowest interface level: the program does not depend on the kernel it is built on.
    seccomp_api_set(1);
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (!filter) return fail("libseccomp could not start a filter");
    std::string program;
    std::string pseudoCode;
    const bool built = addRules(filter) && exported(filter, seccomp_export_bpf, program) &&
                       exported(filter, seccomp_export_pfc, pseudoCode);
    seccomp_release(filter);
    if (!built || program.empty() || program.size() % sizeof(sock_filter) != 0)
        return fail("libseccomp could not build the filter");

    std::vector<sock_filter> steps(program.size() / sizeof(sock_filter));
    std::memcpy(steps.data(), program.data(), program.size());
    // libseccomp shares one comparison among the rules that make the same one.
    int placeholders = 0;
    for (const sock_filter& step : steps)
        placeholders += step.k == kProcessIdPlaceholder && BPF_CLASS(step.code) == BPF_JMP &&
                        BPF_SRC(step.code) == BPF_K;
    if (placeholders == 0) return fail("the rules on signals do not compare with the process id");

    std::ofstream header(argv[1], std::ios::trunc);
    header << "// Made by make_worker_filter when the programs were built; do not edit.\n"
              "#pragma once\n#include <linux/filter.h>\n#include <cstdint>\n\n"
              "namespace ximora::decode {\n\n";
    // The rules as libseccomp reads them back, for a reader of the program below.
    for (size_t start = 0, end; start < pseudoCode.size(); start = end + 1) {
        end = pseudoCode.find('\n', start);
        if (end == std::string::npos) end = pseudoCode.size();
        header << "// " << pseudoCode.substr(start, end - start) << '\n';
    }
    header << "\ninline constexpr uint32_t kProcessIdPlaceholder = " << kProcessIdPlaceholder
           << "u;\n"
              "inline constexpr sock_filter kWorkerFilter[] = {\n";
    for (const sock_filter& step : steps)
        header << "    {" << step.code << ", " << int(step.jt) << ", " << int(step.jf) << ", "
               << step.k << "u},\n";
    header << "};\n\n}  // namespace ximora::decode\n";
    header.close();
    return header ? 0 : fail("the header could not be written");
}
