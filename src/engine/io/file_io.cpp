#include "engine/io/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

  private:
    int fd_;
};

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

}  // namespace ximora::engine
