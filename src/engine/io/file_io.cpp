#include "engine/io/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "engine/core/error.h"
#include "engine/io/byte_source.h"

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

bool readWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    FileSource file;
    return file.open(path) && readWholeSource(file, out);
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
