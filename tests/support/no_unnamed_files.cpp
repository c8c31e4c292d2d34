// Preloaded into a program under test (LD_PRELOAD), this makes every request for an unnamed
// temporary file (O_TMPFILE) fail as it does on vfat, exFAT, NFS and most FUSE file systems,
// so that the writes' named temporary files and their clean-up are tried on any disk.
#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>

namespace {

using Open = int (*)(const char*, int, ...);

// The real call behind `name`, refusing unnamed files.
int openRefusingUnnamed(const char* name, const char* path, int flags, va_list rest) {
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    const mode_t mode = (flags & O_CREAT) ? mode_t(va_arg(rest, int)) : 0;
    const auto real = reinterpret_cast<Open>(::dlsym(RTLD_NEXT, name));
    return real(path, flags, mode);
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = openRefusingUnnamed("open", path, flags, rest);
    va_end(rest);
    return fd;
}

int open64(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = openRefusingUnnamed("open64", path, flags, rest);
    va_end(rest);
    return fd;
}
}
