#pragma once
// Where the browser and the thumbnail window keep a folder's thumbnail cache, and the clean-up
// of cache files whose folders are gone.

#include <QString>

namespace ximora::browser {

/// The process-wide cache location flag (settings key TMB_DR): true keeps each folder's cache
/// beside its images, false in the user data folder's "Thumb". Read at start, switched by the
/// menus; it takes effect at the next listing.
bool cacheBesideImages();
void setCacheBesideImages(bool beside);

/// The cache file for `folder` (as the browser reports it) at thumbnail size `size`, by the
/// current location flag and the user data folder (engine::cacheFileFor: never another
/// folder's).
QString cacheFileName(const QString& folder, int size);

/// The folder a cache made now for `folder` records: the folder itself for a central cache,
/// none for one kept beside the images (which moves with them).
QString cacheOwner(const QString& folder);

/// The folder a central cache file name stands for, ending in "/": the name without its last
/// seven characters (the three-digit size and ".Dat"), every "~" turned back into "/".
/// "~home~a~pics~100.Dat" → "/home/a/pics/". A folder whose name holds "~" decodes to another
/// folder; so does a cache of size 1000 or more (one digit too many is kept).
QString decodeCacheFolder(const QString& fileName);

/// Outcome of a clean-up.
struct CleanupResult {
    bool ok = false;  ///< false: the cache folder is missing, or a file could not be deleted
    QString report;   ///< full paths of the deleted files, each followed by a line break
};

/// Deletes every "*.Dat" file of `cacheFolder` whose folder (the one it records, else the one
/// its name stands for) no longer exists. Stops at the
/// first file that cannot be deleted (those deleted before stay deleted).
CleanupResult cleanCacheFolder(const QString& cacheFolder);

}  // namespace ximora::browser
