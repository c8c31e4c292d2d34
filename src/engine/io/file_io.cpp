#include "engine/io/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/core/error.h"
#include "engine/core/image.h"

namespace ximora::engine {
namespace {

// Closes a descriptor on every exit path.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

namespace {

// Reads up to `limit` bytes (the whole file when it is shorter) into `out`.
bool readFile(const std::string& path, uint64_t limit, std::vector<uint8_t>& out) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return fail(errno == ENOENT || errno == ENOTDIR ? kErrFileNotFound : kErrCannotOpen);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return fail(kErrCannotOpen);
    const uint64_t size = std::min(uint64_t(info.st_size), limit);
    if (size > memoryLimit()) return fail(kErrMemory);
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        return fail(kErrMemory);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return fail(kErrCannotRead);
        done += size_t(got);
    }
    out = std::move(bytes);
    return true;
}

}  // namespace

bool readWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    return readFile(path, UINT64_MAX, out);
}

bool readFileHead(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out) {
    return readFile(path, maxBytes, out);
}

bool writeFileAtomically(const std::string& path, const uint8_t* data, size_t size) {
    // Saving over a symbolic link replaces the file it points to, not the link.
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    // The temporary file lives in the target's folder so that the rename stays on one file
    // system and is atomic.
    std::string temp = target + ".XXXXXX";
    FileDescriptor fd(::mkstemp(temp.data()));
    if (fd.get() < 0) return fail(kErrCannotCreate);

    struct stat old {};
    mode_t mode = 0666;
    if (::stat(target.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    const bool ok = ::fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), data, size) &&
                    ::fsync(fd.get()) == 0 && fd.close() &&
                    ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return fail(kErrCannotWrite);
    }
    // Make the rename itself durable; a failure here no longer endangers either file.
    FileDescriptor folder(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
    return true;
}

}  // namespace ximora::engine
