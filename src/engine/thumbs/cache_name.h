#pragma once
// Names of the thumbnail cache files. The browser, the thumbnail window and `ximora-batch
// thumbs` all name them here, so one folder at one thumbnail size shares one cache file.

#include <string>
#include <string_view>

namespace ximora::engine {

/// A folder path in the form the browser reports it: trailing "/" removed, except that the
/// root stays "/".
std::string normalisedFolder(std::string_view folder);

/// The folder part of a central cache name: every ":/" becomes "~~", then every remaining "/"
/// becomes "~". "/home/a/pics" → "~home~a~pics"; the root "/" → "~", so its cache file is
/// "~~100.Dat", a valid name that the clean-up turns back into the root.
std::string encodeCacheFolder(std::string_view folder);

/// The size part of a cache name: at least three digits ("080", "100", "1200").
std::string cacheSizeText(int size);

/// Cache file kept centrally: `userDataFolder` (ending in "/" or not) + "Thumb/" +
/// encodeCacheFolder(folder) + "~" + cacheSizeText(size) + ".Dat".
/// "/home/a/pics", 100 → USERDATA/Thumb/~home~a~pics~100.Dat.
std::string centralCacheFile(std::string_view userDataFolder, std::string_view folder, int size);

/// Cache file kept beside the images: folder + "/Thmb" + cacheSizeText(size) + ".Dat".
std::string besideCacheFile(std::string_view folder, int size);

/// The central cache file of a folder whose name the fixed one cannot be: the encoded folder
/// cut to 150 bytes + "~#" + 16 hexadecimal digits of the folder's hash + "~" + size + ".Dat".
std::string alternateCacheFile(std::string_view userDataFolder, std::string_view folder, int size);

/// Which cache file the browser uses: the settings flag `TMB_DR` (true = beside). A central
/// one is centralCacheFile unless that name is too long for the file system, or is taken by
/// the cache of another folder whose name encodes alike ("/a/b" and "/a~b"): then
/// alternateCacheFile, so that no two folders ever share thumbnails.
std::string cacheFileFor(bool beside, std::string_view userDataFolder, std::string_view folder,
                         int size);

/// The folder whose cache the central cache file `path` is: the one it records, or, for a
/// file that records none, the one its fixed name encodes ("~" turned back into "/").
std::string cacheFileFolder(const std::string& path);

}  // namespace ximora::engine
