#include "engine/io/file_attributes.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace ximora::engine {
namespace {

// The names of the file's extended attributes, each ending in a NUL; empty when it has none
// (or the file system keeps none).
std::vector<char> attributeNames(const std::string& path) {
    for (;;) {
        const ssize_t size = ::llistxattr(path.c_str(), nullptr, 0);
        if (size <= 0) return {};
        std::vector<char> names(static_cast<size_t>(size));
        const ssize_t got = ::llistxattr(path.c_str(), names.data(), names.size());
        if (got >= 0) {
            names.resize(size_t(got));
            return names;
        }
        if (errno != ERANGE) return {};  // grown meanwhile: ask again
    }
}

bool copyAttribute(int fd, const std::string& path, const char* name) {
    for (;;) {
        const ssize_t size = ::lgetxattr(path.c_str(), name, nullptr, 0);
        if (size < 0) return errno == ENODATA;  // gone meanwhile
        std::vector<char> value(static_cast<size_t>(size));
        const ssize_t got = ::lgetxattr(path.c_str(), name, value.data(), value.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return errno == ENODATA;
        return ::fsetxattr(fd, name, value.data(), size_t(got), 0) == 0;
    }
}

}  // namespace

bool giveAttributes(int fd, const std::string& oldPath, const struct stat& old) {
    struct stat now {};
    if (::fstat(fd, &now) != 0) return false;
    bool all = true;
    // The owner first: a change of owner clears the set-user and set-group bits, which the
    // mode then gives back.
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0)
        all = false;
    if (::fchmod(fd, old.st_mode & 07777) != 0) all = false;
    const std::vector<char> names = attributeNames(oldPath);
    for (size_t at = 0; at < names.size();) {
        const char* name = names.data() + at;
        if (!copyAttribute(fd, oldPath, name)) all = false;
        at += std::char_traits<char>::length(name) + 1;
    }
    return all;
}

}  // namespace ximora::engine
