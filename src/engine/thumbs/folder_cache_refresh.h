#pragma once
// Bringing one folder's cache file up to date in a single call, for `ximora-batch thumbs` and
// the benchmark. The browser does the same steps piecewise, showing each thumbnail as it comes.

#include <cstddef>
#include <functional>
#include <string>

#include "engine/thumbs/thumbnail_producer.h"

namespace ximora::engine {

struct FolderCacheReport {
    size_t files = 0;      ///< image files listed
    size_t fromCache = 0;  ///< thumbnails (or known failures) taken from the cache file
    size_t made = 0;       ///< thumbnails made from their files
    size_t failed = 0;     ///< files that are not readable images (placeholders in the grid)
    bool written = false;  ///< the cache file was (re)written
};

/// Lists the image files of `folder` (kImageFilter), reads the cache file `cacheFile` made for
/// thumbnail size `size` (a missing or damaged one, or one of another folder than
/// `recordedFolder`, counts as empty; an empty `recordedFolder` for a cache beside the images),
/// makes the thumbnails that are missing or whose file changed on `producer`'s workers (a
/// cached thumbnail is judged by its file's size and time alone, never unpacked), drops
/// entries of files that are gone, and writes the cache file when anything changed. Fails with the
/// listing's error (16, 19, 23) or the write's (21, 22); a failing file is no failure of the whole.
/// `progress`, when given, is called after each file with the number done and the number listed,
/// one call at a time, on the producer's workers.
using FolderProgress = std::function<void(size_t done, size_t total)>;
bool refreshFolderCache(const std::string& folder, const std::string& cacheFile,
                        const std::string& recordedFolder, int size, ThumbnailProducer& producer,
                        FolderCacheReport& report, const FolderProgress& progress = {});

}  // namespace ximora::engine
