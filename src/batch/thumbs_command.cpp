// ximora-batch thumbs [--size N] [--beside] (DIR... | -)
// Builds or refreshes each folder's thumbnail cache file where the browser looks for it: beside
// the images with --beside, else in the user data folder's "Thumb/" (the folder `ximora` beside
// this program uses). One tab-separated line per folder: folder, cache file, image files,
// thumbnails taken from the cache, thumbnails made, files that are not readable images. "-"
// reads the folders from standard input, one a line.
#include <QDir>
#include <QFile>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <optional>
#include <ostream>

#include "batch/batch_command.h"
#include "batch/terminal_progress.h"
#include "engine/core/error.h"
#include "engine/thumbs/cache_name.h"
#include "engine/thumbs/folder_cache_refresh.h"
#include "platform/file_names.h"

namespace ximora::batch {
namespace {

using namespace ximora::engine;

// The browser's default thumbnail size (PC_SIZE of THUMB_LIST).
constexpr int kDefaultSize = 100;
// Cache names hold the size in three or four digits.
constexpr int kMaxSize = 9999;

// The folder as the browser reports it: absolute, without "." or ".." and trailing "/".
std::string browserPath(const std::string& dir) {
    std::error_code ec;
    return normalisedFolder(std::filesystem::absolute(dir, ec).lexically_normal().string());
}

}  // namespace

int runThumbs(const Arguments& args, std::ostream& out, std::ostream& err) {
    int size = kDefaultSize;
    bool beside = false;
    std::vector<std::string> folders;
    bool names = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (names && arg != kStandardInput) {
            folders.push_back(arg);
        } else if (arg == kEndOfOptions) {
            names = true;
        } else if (names) {
            for (std::string& name : readNameList(std::cin)) folders.push_back(std::move(name));
        } else if (arg == "--size" && i + 1 < args.size()) {
            const std::string& value = args[++i];
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), size);
            if (ec != std::errc() || end != value.data() + value.size() || size < 1 ||
                size > kMaxSize)
                return 2;
        } else if (arg == "--beside") {
            beside = true;
        } else if (arg == kStandardInput) {
            for (std::string& name : readNameList(std::cin)) folders.push_back(std::move(name));
        } else if (arg.starts_with("--")) {
            return 2;
        } else {
            folders.push_back(arg);
        }
    }
    if (folders.empty()) return 2;

    std::string userData;
    if (!beside) {
        userData = userDataFolder();
        QDir().mkpath(platform::decodePath(
            (userData + "Thumb").c_str()));  // as the main window does at start
    }
    ThumbnailProducer producer;
    int status = 0;
    for (const std::string& dir : folders) {
        const std::string folder = browserPath(dir);
        const std::string cacheFile = cacheFileFor(beside, userData, folder, size);
        FolderCacheReport report;
        // Each folder counts its own files.
        std::optional<TerminalProgress> progress;
        const std::string owner = beside ? std::string() : normalisedFolder(folder);
        const bool ok = refreshFolderCache(folder, cacheFile, owner, size, producer, report,
                                           [&](size_t done, size_t total) {
                                               if (!progress) progress.emplace(stderr, total);
                                               progress->show(done);
                                           });
        progress.reset();
        if (!ok) {
            reportFileError(err, dir, lastError());
            status = 1;
            continue;
        }
        out << folder << '\t' << cacheFile << '\t' << report.files << '\t' << report.fromCache
            << '\t' << report.made << '\t' << report.failed << '\n';
    }
    return status;
}

}  // namespace ximora::batch
