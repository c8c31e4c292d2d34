#include "engine/thumbs/folder_cache_refresh.h"

#include <mutex>

#include "engine/core/error.h"

namespace ximora::engine {

bool refreshFolderCache(const std::string& folder, const std::string& cacheFile,
                        const std::string& recordedFolder, int size, ThumbnailProducer& producer,
                        FolderCacheReport& report, const FolderProgress& progress) {
    report = {};
    if (size < 1 || size > kMaxSide) return fail(kErrBadParameter);
    std::vector<FileEntry> files;
    if (!listImageFiles(folder, kImageFilter, files)) return false;
    report.files = files.size();

    auto cache = std::make_shared<ThumbnailCache>(size, recordedFolder);
    cache->load(cacheFile);  // missing or damaged: start empty
    cache->retain(files);
    std::mutex mutex;
    // A warm folder costs its listing and the cache's stamps: cached thumbnails are counted,
    // not unpacked (the cache file's checksums have vouched for them).
    producer.start(
        folder, std::move(files), size, cache,
        [&](ThumbnailResult&& result) {
            std::lock_guard lock(mutex);
            if (result.fromCache)
                ++report.fromCache;
            else
                ++report.made;
            if (!result.ok) ++report.failed;
            if (progress) progress(report.fromCache + report.made, report.files);
        },
        false);
    producer.wait();
    report.written = cache->changed();
    return cache->save(cacheFile);
}

}  // namespace ximora::engine
