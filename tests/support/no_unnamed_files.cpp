// Preloaded into a program under test (LD_PRELOAD), this makes every request for an unnamed
// temporary file (O_TMPFILE) fail as it does on vfat, exFAT, NFS and most FUSE file systems,
// so that the writes' named temporary files and their clean-up are tried on any disk.
#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>

namespace {

template <typename Open>
Open next(const char* name) {
    return reinterpret_cast<Open>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    using Open = int (*)(const char*, int, ...);
    static const Open real = next<Open>("open");
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = (flags & O_CREAT) ? mode_t(va_arg(rest, int)) : 0;
    va_end(rest);
    return real(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    using Open = int (*)(const char*, int, ...);
    static const Open real = next<Open>("open64");
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = (flags & O_CREAT) ? mode_t(va_arg(rest, int)) : 0;
    va_end(rest);
    return real(path, flags, mode);
}
}
