#include "engine/io/leftover_temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>

#include "engine/io/write_target.h"

namespace ximora::engine {
namespace {

constexpr std::string_view kMark = ".ximora-", kSuffix = ".tmp";
constexpr size_t kRandomLength = 8;
constexpr time_t kUnlockableAge = 24 * 60 * 60;

bool isRandomPart(std::string_view text) {
    if (text.size() != kRandomLength) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) return false;
    return true;
}

// Whether the file at `path` is a leftover: ours, regular, and not held by a writer.
bool abandoned(int folderFd, const char* name) {
    const int fd = ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool result = false;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            result = true;
        else if (errno != EWOULDBLOCK)  // no locks here: only an old one is surely abandoned
            result = std::time(nullptr) - info.st_mtime > kUnlockableAge;
    }
    ::close(fd);
    return result;
}

}  // namespace

std::string temporaryNameFor(const std::string& folder, const std::string& target) {
    static std::atomic<uint64_t> counter{0};
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    uint64_t seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                    (uint64_t(::getpid()) << 32) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15u);
    std::string random;
    for (size_t i = 0; i < kRandomLength; ++i, seed /= 36) random += kDigits[seed % 36];
    // Long names are shortened so that the temporary name stays within the file system's limit.
    const std::string base = nameOfPath(target).substr(0, 200);
    return (folder == "/" ? "" : folder) + "/." + base + std::string(kMark) + random +
           std::string(kSuffix);
}

bool isTemporaryName(std::string_view name) {
    const size_t tail = kMark.size() + kRandomLength + kSuffix.size();
    if (name.size() < 1 + tail || name.front() != '.' || !name.ends_with(kSuffix)) return false;
    const std::string_view end = name.substr(name.size() - tail);
    return end.starts_with(kMark) && isRandomPart(end.substr(kMark.size(), kRandomLength));
}

int removeLeftoverTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    int removed = 0;
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name) || !abandoned(fd, entry->d_name)) continue;
        if (::unlinkat(fd, entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace ximora::engine
