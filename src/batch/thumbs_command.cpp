#include "thumbs_command.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/error.h"
#include "engine/thumbs/cache_name.h"
#include "engine/thumbs/folder_cache_refresh.h"
#include "user_data_folder.h"

namespace ximora::batch {
namespace {

using namespace ximora::engine;

// The browser's default thumbnail size (PC_SIZE of THUMB_LIST).
constexpr int kDefaultSize = 100;
// Four digits at most, as the cache names are read back by the clean-up.
constexpr int kMaxSize = 9999;

int usage() {
    std::fprintf(stderr, "usage: ximora-batch thumbs [--size N] [--beside] DIR...\n");
    return 2;
}

void reportError(const std::string& what, int code) {
    std::fprintf(stderr, "%s: error %d: %.*s\n", what.c_str(), code, int(errorText(code).size()),
                 errorText(code).data());
}

// The folder as the browser reports it: absolute, without "." or ".." and trailing "/".
std::string browserPath(const std::string& dir) {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(dir, ec).lexically_normal();
    return normalisedFolder(path.string());
}

}  // namespace

int thumbsCommand(int argc, char** argv) {
    int size = kDefaultSize;
    bool beside = false;
    std::vector<std::string> folders;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--size" && i + 1 < argc) {
            const std::string_view value = argv[++i];
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), size);
            if (ec != std::errc() || end != value.data() + value.size() || size < 1 ||
                size > kMaxSize)
                return usage();
        } else if (arg == "--beside") {
            beside = true;
        } else if (arg.starts_with("--")) {
            return usage();
        } else {
            folders.emplace_back(arg);
        }
    }
    if (folders.empty()) return usage();

    std::string userData;
    if (!beside) {
        userData = userDataFolder();
        std::error_code ec;
        std::filesystem::create_directories(userData + "Thumb", ec);
    }
    ThumbnailProducer producer;
    int status = 0;
    for (const std::string& dir : folders) {
        const std::string folder = browserPath(dir);
        const std::string cacheFile = cacheFileFor(beside, userData, folder, size);
        FolderCacheReport report;
        if (!refreshFolderCache(folder, cacheFile, size, producer, report)) {
            reportError(dir, lastError());
            status = 1;
            continue;
        }
        std::printf("%s\t%s\t%zu\t%zu\t%zu\t%zu\n", folder.c_str(), cacheFile.c_str(), report.files,
                    report.fromCache, report.made, report.failed);
    }
    return status;
}

}  // namespace ximora::batch
