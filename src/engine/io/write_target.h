#pragma once
// What a write of a path lands on. Symbolic links are followed to the file they name, also when
// it does not exist yet (a dangling link is written through, never replaced by a file); only a
// regular file, or nothing, may be written: a FIFO, a device, a socket or a /proc descriptor
// link is refused, never replaced.

#include <sys/stat.h>

#include <string>

namespace ximora::engine {

struct WriteTarget {
    std::string path;    ///< the file to write, symbolic links followed
    std::string folder;  ///< its folder
    bool exists = false;
    struct stat info {};  ///< the existing file's, when it exists
};

/// Resolves `path` (UTF-8 or the file system's bytes). Fails with error 21 and the reason:
/// kReasonNotRegularFile for what is not a regular file, EISDIR for a folder, ELOOP for links
/// that go round, or the reason the path cannot be looked at.
bool resolveWriteTarget(const std::string& path, WriteTarget& out);

/// The folder part of a path ("." for a bare name, "/" for a file at the root).
std::string folderOfPath(const std::string& path);
/// The name part of a path.
std::string nameOfPath(const std::string& path);

}  // namespace ximora::engine
