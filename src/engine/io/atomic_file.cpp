#include "engine/io/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/core/error.h"
#include "engine/io/file_attributes.h"
#include "engine/io/leftover_temporaries.h"
#include "engine/io/write_target.h"

namespace ximora::engine {
namespace {

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

// The name of the new content kept beside a file being rewritten in place, until it is whole.
std::string savedNameFor(const std::string& folder, const std::string& target) {
    return (folder == "/" ? "" : folder) + "/." + nameOfPath(target).substr(0, 200) +
           ".ximora-saved";
}

}  // namespace

void reportFileSizeLimitAsWriteError() { std::signal(SIGXFSZ, SIG_IGN); }

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::open(const std::string& path, Existing existing) {
    discard();
    failed_ = false;
    inPlace_ = false;
    keep_ = existing == Existing::Keep;
    written_ = startedToDisk_ = 0;
    WriteTarget target;
    if (keep_ && ::access(path.c_str(), F_OK) == 0) return failWithReason(kErrCannotCreate, EEXIST);
    if (!resolveWriteTarget(path, target)) return false;
    if (keep_ && target.exists) return failWithReason(kErrCannotCreate, EEXIST);
    target_ = target.path;
    folder_ = target.folder;
    if (!openTemporary()) return false;
    if (target.exists) {
        // The replacement is the same file to others; where it cannot be (another user's
        // file, an attribute only the administrator may give) or where other names share the
        // file (hard links), the old file is rewritten in place instead.
        inPlace_ = !giveAttributes(fd_, target_, target.info) || target.info.st_nlink > 1;
    }
    return true;
}

bool AtomicFile::openTemporary() {
    // An unnamed file in the target's folder: the rename stays on one file system, and a
    // process killed before commit() leaves nothing behind. The creation mode passes through
    // the umask as any new file's does. Readable, for a rewrite in place.
    fd_ = ::open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    unnamed_ = fd_ >= 0;
    if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return failWithReason(kErrCannotCreate, errno);
    if (unnamed_) return true;
    // File systems without unnamed files get a named one, locked while it is written, and
    // what earlier writes that were killed left in the folder goes first.
    removeLeftoverTemporaries(folder_);
    for (int attempt = 0; fd_ < 0 && attempt < 16; ++attempt) {
        temporary_ = temporaryNameFor(folder_, target_);
        fd_ = ::open(temporary_.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        const int why = errno;
        temporary_.clear();
        return failWithReason(kErrCannotCreate, why);
    }
    (void)::flock(fd_, LOCK_EX);  // where there are no locks, leftovers go by their age
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

// Copies the complete, flushed new content into the target itself: for a file whose other
// names must see it (hard links) or whose owner or attributes a new file could not be given.
// The content keeps a name beside the target until the copy is whole, so that a failure in the
// middle of it loses nothing that was saved. Room for the new length is taken first, so that a
// full disk fails before the old content is touched.
bool AtomicFile::copyIntoTarget() {
    const std::string saved = savedNameFor(folder_, target_);
    ::unlink(saved.c_str());
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    // Without links (vfat), the copy goes on unguarded, as any in-place writer's would.
    const bool named =
        unnamed_ ? ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, saved.c_str(), AT_SYMLINK_FOLLOW) == 0
                 : ::link(temporary_.c_str(), saved.c_str()) == 0;
    struct stat content {};
    if (::fstat(fd_, &content) != 0) return failWithReason(kErrCannotWrite, errno);
    const off_t length = content.st_size;
    const int out = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    int why = out < 0 ? errno : 0;
    bool ok = out >= 0;
    if (ok && length > 0 && ::fallocate(out, 0, 0, length) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS) {
        ok = false;
        why = errno;
    }
    std::vector<uint8_t> chunk(size_t(1) << 20);
    for (off_t at = 0; ok && at < length;) {
        const ssize_t got = ::pread(fd_, chunk.data(), chunk.size(), at);
        if (got <= 0) {
            ok = false;
            why = got < 0 ? errno : EIO;
        } else if (!writeAll(out, chunk.data(), size_t(got), at)) {
            ok = false;
            why = errno;
        } else {
            at += got;
        }
    }
    if (ok && (::ftruncate(out, length) != 0 || ::fsync(out) != 0)) {
        ok = false;
        why = errno;
    }
    if (out >= 0 && ::close(out) != 0 && ok) {
        ok = false;
        why = errno;
    }
    // Kept when the old content may already be gone; dropped when the target holds the new.
    if (named && ok) ::unlink(saved.c_str());
    if (named && !ok && out < 0) ::unlink(saved.c_str());
    return ok || failWithReason(kErrCannotWrite, why);
}

bool AtomicFile::commit() {
    if (fd_ < 0 || failed_) return fail(kErrCannotWrite);
    if (inPlace_) {
        const bool ok =
            ::fsync(fd_) == 0 ? copyIntoTarget() : failWithReason(kErrCannotWrite, errno);
        const int code = lastError(), reason = lastErrorReason();
        discard();
        if (!ok) {
            failed_ = true;
            return failWithReason(code, reason);
        }
        return true;
    }
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
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return failWithReason(kErrCannotOpen, errno);
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    int why = ok ? 0 : errno;
    if (ok && uint64_t(info.st_size) != uint64_t(size)) {
        ::close(fd);
        return fail(kErrBadParameter);
    }
    // Same length on an existing file: the blocks are there, so a full disk cannot cut it.
    // Only the bytes that differ are written (a record's answer is a flag or two), so that the
    // rest stays as it was whatever happens.
    std::vector<uint8_t> old(size);
    for (size_t got = 0; ok && got < size;) {
        const ssize_t n = ::pread(fd, old.data() + got, size - got, off_t(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            why = n < 0 ? errno : EIO;
        } else {
            got += size_t(n);
        }
    }
    for (size_t at = 0; ok && at < size;) {
        if (old[at] == data[at]) {
            ++at;
            continue;
        }
        size_t end = at;
        while (end < size && old[end] != data[end]) ++end;
        if (!writeAll(fd, data + at, end - at, off_t(at))) {
            ok = false;
            why = errno;
        }
        at = end;
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
