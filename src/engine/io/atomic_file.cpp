#include "engine/io/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "engine/core/error.h"

namespace ximora::engine {
namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A hidden name beside the target that no other writer picks: the browser's listings leave
// names beginning with "." out, so a half-made file is never offered as a picture.
std::string temporaryNameFor(const std::string& folder, const std::string& target) {
    static std::atomic<uint64_t> counter{0};
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    uint64_t seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                    (uint64_t(::getpid()) << 32) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15u);
    std::string suffix;
    for (int i = 0; i < 8; ++i, seed /= 36) suffix += kDigits[seed % 36];
    // Long names are shortened so that the temporary name stays within the file system's limit.
    std::string base = baseNameOf(target).substr(0, 200);
    return (folder == "/" ? "" : folder) + "/." + base + "." + suffix + ".part";
}

// Writes all `size` bytes at the file position, or at `offset` when it is not negative.
bool writeAll(int fd, const uint8_t* data, size_t size, off_t offset = -1) {
    while (size > 0) {
        const ssize_t written =
            offset < 0 ? ::write(fd, data, size) : ::pwrite(fd, data, size, offset);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= size_t(written);
        if (offset >= 0) offset += off_t(written);
    }
    return true;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // the rename is done; a failure here no longer endangers either file
    ::close(fd);
}

}  // namespace

void reportFileSizeLimitAsWriteError() { std::signal(SIGXFSZ, SIG_IGN); }

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::open(const std::string& path, Existing existing) {
    discard();
    failed_ = false;
    keep_ = existing == Existing::Keep;
    written_ = startedToDisk_ = 0;
    target_ = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target_ = real;
        std::free(real);
    }
    folder_ = folderOf(target_);

    struct stat old {};
    const bool replacing = ::stat(target_.c_str(), &old) == 0;
    if (keep_ && (replacing || ::access(target_.c_str(), F_OK) == 0 || errno != ENOENT))
        return failWithReason(kErrCannotCreate, EEXIST);
    if (replacing && S_ISDIR(old.st_mode)) return failWithReason(kErrCannotCreate, EISDIR);

    // An unnamed file in the target's folder: the rename stays on one file system, and a
    // process killed before commit() leaves nothing behind. The creation mode passes through
    // the umask as any new file's does.
    fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    unnamed_ = fd_ >= 0;
    if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return failWithReason(kErrCannotCreate, errno);
    // File systems without unnamed files get a hidden named one.
    for (int attempt = 0; fd_ < 0 && attempt < 16; ++attempt) {
        temporary_ = temporaryNameFor(folder_, target_);
        fd_ = ::open(temporary_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        const int why = errno;
        temporary_.clear();
        return failWithReason(kErrCannotCreate, why);
    }
    if (replacing) {
        // The replacement is the same file to its users: same permission bits, and the same
        // owner where we may give it (an administrator editing someone's picture).
        if (::fchmod(fd_, old.st_mode & 07777) != 0) {
            const int why = errno;
            discard();
            return failWithReason(kErrCannotCreate, why);
        }
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)::fchown(fd_, old.st_uid, old.st_gid);
    }
    return true;
}

bool AtomicFile::write(const void* data, size_t size) { return put(data, size, -1); }

bool AtomicFile::writeAt(uint64_t offset, const void* data, size_t size) {
    return put(data, size, off_t(offset));
}

bool AtomicFile::put(const void* data, size_t size, off_t offset) {
    if (fd_ < 0 || failed_) return fail(kErrCannotWrite);
    if (writeAll(fd_, static_cast<const uint8_t*>(data), size, offset)) {
        // A large file starts on its way to the disk while the rest is still being made, so
        // that commit()'s flush has little left to wait for. Only a hint: the flush decides.
        // Bytes placed at offsets may lie anywhere, so the whole file is started then.
        written_ += size;
        if (written_ - startedToDisk_ >= kWritebackBytes) {
            const bool appended = offset < 0;
            (void)::sync_file_range(fd_, appended ? off_t(startedToDisk_) : 0,
                                    appended ? off_t(written_ - startedToDisk_) : 0,
                                    SYNC_FILE_RANGE_WRITE);
            startedToDisk_ = written_;
        }
        return true;
    }
    const int why = errno;
    discard();
    failed_ = true;
    return failWithReason(kErrCannotWrite, why);
}

bool AtomicFile::setPermissions(mode_t mode) {
    if (fd_ < 0 || failed_) return fail(kErrCannotWrite);
    return ::fchmod(fd_, mode) == 0 || failWithReason(kErrCannotWrite, errno);
}

bool AtomicFile::linkTemporaryName() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary_ = temporaryNameFor(folder_, target_);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary_.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        // Without /proc the descriptor itself is linked (needs the right to do so).
        if (errno == ENOENT && ::linkat(fd_, "", AT_FDCWD, temporary_.c_str(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno != EEXIST) break;
    }
    temporary_.clear();
    return false;
}

// Gives the written file the target's name only if nothing has it: the unnamed file is linked
// there directly; a named one is renamed without replacing, or, where the file system cannot
// do that, linked and its temporary name dropped.
bool AtomicFile::placeWithoutReplacing() {
    if (unnamed_) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) ==
                   0 ||
               (errno == ENOENT &&
                ::linkat(fd_, "", AT_FDCWD, target_.c_str(), AT_EMPTY_PATH) == 0);
    }
    if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) ==
        0) {
        temporary_.clear();
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    return ::link(temporary_.c_str(), target_.c_str()) == 0;  // discard() drops the other name
}

bool AtomicFile::commit() {
    if (fd_ < 0 || failed_) return fail(kErrCannotWrite);
    // The data reaches the disk before the name does, so a crash shows the old file or the
    // whole new one. The unnamed file gets its name only now: the target's own when nothing may
    // be replaced, else a temporary one that is then renamed over the target.
    bool ok =
        ::fsync(fd_) == 0 && (keep_ ? placeWithoutReplacing() : !unnamed_ || linkTemporaryName());
    int why = ok ? 0 : errno;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && ok) {
        ok = false;
        why = errno;
        if (keep_) ::unlink(target_.c_str());  // placed already, but not known to be whole
    }
    if (ok && !keep_ && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        ok = false;
        why = errno;
    }
    if (!ok) {
        discard();
        failed_ = true;
        return failWithReason(why == EEXIST ? kErrCannotCreate : kErrCannotWrite, why);
    }
    if (!keep_) temporary_.clear();  // renamed; a placement by link leaves it to drop
    discard();
    syncFolder(folder_);
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool writeFileAtomically(const std::string& path, const uint8_t* data, size_t size,
                         Existing existing) {
    AtomicFile file;
    return file.open(path, existing) && file.write(data, size) && file.commit();
}

bool rewriteFileInPlace(const std::string& path, const uint8_t* data, size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return failWithReason(kErrCannotOpen, errno);
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    int why = ok ? 0 : errno;
    if (ok && uint64_t(info.st_size) != uint64_t(size)) {
        ::close(fd);
        return fail(kErrBadParameter);
    }
    // Same length on an existing file: the blocks are there, so a full disk cannot cut it.
    for (size_t done = 0; ok && done < size;) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            why = n < 0 ? errno : EIO;
        } else {
            done += size_t(n);
        }
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        why = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        why = errno;
    }
    return ok || failWithReason(kErrCannotWrite, why);
}

}  // namespace ximora::engine
