#include "engine/thumbs/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "engine/core/error.h"

namespace ximora::engine {
namespace {

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n, size -= size_t(n);
    }
    return true;
}

// A hidden sibling name, so that a listing never shows a half-written file.
std::string temporaryName(const std::string& path, unsigned salt) {
    const size_t slash = path.rfind('/');
    const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, nameAt) + "." + path.substr(nameAt) + "." + std::to_string(salt) + ".tmp";
}

}  // namespace

bool readWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return fail(err == EACCES || err == EPERM     ? kErrAccess
                    : err == ENOENT || err == ENOTDIR ? kErrFileNotFound
                                                      : kErrCannotOpen);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(kErrCannotRead);
    }
    if (uint64_t(st.st_size) > maxBytes) {
        ::close(fd);
        return fail(kErrMemory);
    }
    std::vector<uint8_t> bytes(size_t(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    ::close(fd);
    if (done != bytes.size()) return fail(kErrCannotRead);
    out = std::move(bytes);
    return true;
}

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::random_device random;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = temporaryName(path, random());
        // 0666 so that the user's umask decides, as for any new file.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return fail(kErrCannotCreate);
    struct stat old {};
    bool ok = writeAll(fd, bytes.data(), bytes.size());
    if (ok && ::stat(path.c_str(), &old) == 0) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return fail(kErrCannotWrite);
    }
    return true;
}

}  // namespace ximora::engine
