#pragma once
// The one way the program writes a file it keeps: pictures, conversions, settings, launch
// records, thumbnail caches, copies. The bytes go to a temporary file in the target's folder,
// unnamed where the file system allows it (so a killed process leaves nothing behind), and
// replace the target only when every write, the flush to disk and the close have succeeded.
// On any failure the old file stays byte for byte, no temporary file is left, and the last
// error carries the operating system's reason (engine/core/error.h: lastErrorMessage()).
// Modelled on GLib's g_file_replace: only a regular file (or a link to one) is replaced; the
// replacement is the same file to others (owner, group, permissions, ACL and extended
// attributes), and where it could not be (another user's file, several hard links), the new
// content, once complete and flushed, is copied into the old file in place.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace ximora::engine {

/// Makes a write past the process's file-size limit (RLIMIT_FSIZE: `ulimit -f`, a service's
/// LimitFSIZE) fail with EFBIG, reported like a full disk, instead of ending the process with
/// SIGXFSZ and whatever it had not saved. Each program calls it once at start.
void reportFileSizeLimitAsWriteError();

/// Whether a write may replace a file already at its path.
enum class Existing { Replace, Keep };

/// A file written whole or not at all. Not thread-safe; one writer per object.
class AtomicFile {
  public:
    AtomicFile() = default;
    /// Discards whatever was written unless commit() succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    /// Begins replacing (or creating) `path` (UTF-8 or the file system's bytes). Saving over a
    /// symbolic link replaces the file it points to; a dangling link gets the file it names.
    /// Fails with error 21 and its reason when no temporary file can be made in the folder, or
    /// when `path` names a folder (EISDIR) or anything else that is not a regular file
    /// (kReasonNotRegularFile). With Existing::Keep the file is only ever created: error 21
    /// (reason EEXIST) when something is at the path, at open() or, should it appear
    /// meanwhile, at commit(). Where unnamed files are not to be had, the temporary file gets
    /// a name of its own form, and what killed writes left in the folder is removed first
    /// (leftover_temporaries.h).
    bool open(const std::string& path, Existing existing = Existing::Replace);
    /// Appends `size` bytes. Fails with error 22 and its reason (a full disk: ENOSPC); the
    /// temporary file is then dropped and commit() fails too.
    bool write(const void* data, size_t size);
    /// Places `size` bytes at `offset`, for a file whose parts are made out of order (the rows
    /// of a bitmap, stored bottom-up, as a decoder hands them over top-down). Mixing it with
    /// write() is the caller's business: write() goes on where the last write() ended, which
    /// writeAt() does not move. Errors as write().
    bool writeAt(uint64_t offset, const void* data, size_t size);
    /// Makes the written bytes the file at the path: flushed to disk, closed, renamed over the
    /// target, the rename itself flushed. The replacement has the target's owner, group,
    /// permission bits, ACL and extended attributes; a target that cannot be given them, or
    /// that has several hard links, is rewritten in place instead, from the complete and
    /// flushed new content (every name of it then sees the new content). Error 22 and its
    /// reason on failure, when nothing at the path has changed (a rewrite in place that fails
    /// after it began leaves the new content beside it, in a hidden file named after it with
    /// ".ximora-saved").
    bool commit();
    /// Gives the file these permission bits instead of the replaced file's (or the umask's for
    /// a new file). Error 22 with its reason.
    bool setPermissions(mode_t mode);
    /// Drops what was written; the target stays as it was.
    void discard();

    bool isOpen() const { return fd_ >= 0; }

    /// Whether the commit will rewrite the target in place (see commit()).
    bool rewritesInPlace() const { return inPlace_; }

  private:
    bool openTemporary();
    bool linkTemporaryName();
    bool placeWithoutReplacing();
    bool copyIntoTarget();
    bool put(const void* data, size_t size, off_t offset);  // offset < 0: appended

    // Bytes written, and how many of them were handed to the disk ahead of commit().
    static constexpr size_t kWritebackBytes = size_t(8) << 20;
    size_t written_ = 0, startedToDisk_ = 0;
    int fd_ = -1;
    bool failed_ = false;
    bool unnamed_ = false;   // O_TMPFILE: no name until commit()
    bool keep_ = false;      // never replace a file at the target
    bool inPlace_ = false;   // the target is rewritten in place at commit()
    std::string target_;     // the file to replace, symbolic links resolved
    std::string folder_;     // its folder
    std::string temporary_;  // the temporary file's name while it has one
};

/// Writes `size` bytes to `path` through an AtomicFile. Errors 21 and 22 as AtomicFile gives
/// them; the old file is then untouched and no temporary file is left behind.
bool writeFileAtomically(const std::string& path, const uint8_t* data, size_t size,
                         Existing existing = Existing::Replace);

/// Overwrites the existing file `path` in place with exactly as many bytes as it holds, flushed
/// to disk: for a record that must be answered even where its folder refuses new files or the
/// disk has no room for another copy. Only the bytes that differ are written. Error
/// 20 when it cannot be opened for writing, 5 when its length differs from `size`, 22 when
/// writing or flushing fails, each with its reason.
bool rewriteFileInPlace(const std::string& path, const uint8_t* data, size_t size);

}  // namespace ximora::engine
