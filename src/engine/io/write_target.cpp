#include "engine/io/write_target.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "engine/core/error.h"

namespace ximora::engine {
namespace {

constexpr int kMostLinks = 40;  // as the kernel follows at most

bool underProc(const std::string& path) { return path.rfind("/proc/", 0) == 0; }

}  // namespace

std::string folderOfPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOfPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool resolveWriteTarget(const std::string& path, WriteTarget& out) {
    out = WriteTarget{};
    std::string current = path;
    for (int hops = 0;; ++hops) {
        // The descriptor links of /proc name pipes, sockets and terminals as well as files.
        if (underProc(current)) return failWithReason(kErrCannotCreate, kReasonNotRegularFile);
        struct stat link {};
        if (::lstat(current.c_str(), &link) != 0) {
            if (errno != ENOENT) return failWithReason(kErrCannotCreate, errno);
            break;  // a new file (the end of a dangling link, maybe)
        }
        if (!S_ISLNK(link.st_mode)) {
            out.exists = true;
            out.info = link;
            break;
        }
        if (hops == kMostLinks) return failWithReason(kErrCannotCreate, ELOOP);
        std::vector<char> target(size_t(link.st_size > 0 ? link.st_size : 255) + 1);
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length < 0) return failWithReason(kErrCannotCreate, errno);
        if (size_t(length) >= target.size()) return failWithReason(kErrCannotCreate, ENAMETOOLONG);
        if (length == 0) return failWithReason(kErrCannotCreate, ENOENT);
        const std::string next(target.data(), size_t(length));
        current = next.front() == '/' ? next : folderOfPath(current) + "/" + next;
    }
    if (out.exists && S_ISDIR(out.info.st_mode)) return failWithReason(kErrCannotCreate, EISDIR);
    if (out.exists && !S_ISREG(out.info.st_mode))
        return failWithReason(kErrCannotCreate, kReasonNotRegularFile);
    out.path = current;
    out.folder = folderOfPath(current);
    return true;
}

}  // namespace ximora::engine
