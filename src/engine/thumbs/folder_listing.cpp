#include "engine/thumbs/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "engine/core/error.h"

namespace ximora::engine {
namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool containsFolded(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < part.size() && upper(text[i + k]) == upper(part[k])) ++k;
        if (k == part.size()) return true;
    }
    return false;
}

// Ordinal order with ASCII case folded first, as the original platform's file system returned
// names; the raw bytes break ties so the order is total.
bool nameBefore(const FileEntry& a, const FileEntry& b) {
    const size_t n = std::min(a.name.size(), b.name.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ca = uint8_t(upper(a.name[i])), cb = uint8_t(upper(b.name[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
    return a.name < b.name;
}

int openError(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
        case ELOOP:
        case ENAMETOOLONG:
            return kErrFileNotFound;
        case EACCES:
        case EPERM:
            return kErrAccess;
        default:
            return kErrCannotRead;
    }
}

// Length of the valid UTF-8 sequence at s[i], or 0 when it is not one.
size_t utf8Length(std::string_view s, size_t i) {
    const auto c = uint8_t(s[i]);
    if (c < 0x80) return 1;
    size_t len;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF)
        len = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF)
        len = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4)
        len = 4, cp = c & 0x07;
    else
        return 0;
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto t = uint8_t(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not valid.
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

}  // namespace

bool passesFilter(std::string_view name, std::string_view filter) {
    const size_t dot = name.rfind('.');
    const std::string_view extension = dot == std::string_view::npos ? name : name.substr(dot + 1);
    return !extension.empty() && containsFolded(filter, extension);
}

bool listImageFiles(const std::string& folder, std::string_view filter,
                    std::vector<FileEntry>& out) {
    out.clear();
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return fail(openError(errno));
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        const int err = errno;
        ::close(dirFd);
        return fail(openError(err));
    }
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent* item = ::readdir(dir);
        if (!item) {
            ok = errno == 0;
            break;
        }
        const std::string_view name = item->d_name;
        if (name.empty() || name[0] == '.' || !passesFilter(name, filter)) continue;
        // stat follows links: a dangling or looping link fails here and is skipped.
        struct stat st {};
        if (::fstatat(dirFd, item->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        out.push_back({std::string(name), uint64_t(st.st_size),
                       int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec});
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(), nameBefore);
    return ok || fail(kErrCannotRead);
}

std::string displayName(std::string_view rawName) {
    std::string shown;
    shown.reserve(rawName.size());
    for (size_t i = 0; i < rawName.size();) {
        const size_t len = utf8Length(rawName, i);
        if (len == 0) {
            shown += "\xEF\xBF\xBD";
            ++i;
        } else {
            shown.append(rawName.substr(i, len));
            i += len;
        }
    }
    return shown;
}

}  // namespace ximora::engine
