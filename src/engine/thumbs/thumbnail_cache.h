#pragma once
// The thumbnails of one folder at one thumbnail size, kept in memory and in a cache file whose
// name the caller chooses (see cache_name.h). Thumbnails stay packed (pixel_packing.h) in
// memory and are unpacked one at a time by lookup(). Thread-safe: the producer's workers look
// up and store entries while the caller reads.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/image.h"
#include "engine/thumbs/folder_listing.h"

namespace ximora::engine {

/// What the cache knows about a file.
enum class CacheLookup {
    Miss,    ///< nothing, or the file's size or modification time changed: build it
    Ready,   ///< the thumbnail is there
    Failed,  ///< the unchanged file could not be decoded last time: show the placeholder
};

/// The folder the cache file at `path` records (empty for one kept beside its images); false
/// when it is no readable cache file of this version. Reads only its header.
bool recordedCacheFolder(const std::string& path, std::string& folder);

class ThumbnailCache {
  public:
    /// An empty cache for thumbnails fitted into squares of `size` pixels (1 to 65535), of the
    /// folder `folder` (a central cache, which records it) or of none (a cache kept beside the
    /// images, which moves with them).
    explicit ThumbnailCache(int size, std::string_view folder = {});

    int size() const { return size_; }

    /// Replaces the contents with those of the cache file `path`. A missing file leaves the
    /// cache empty (error 16). A damaged, truncated or foreign file, one made for another
    /// thumbnail size, or the cache of another folder, is ignored: the cache stays empty and is
    /// marked changed, so that save() rewrites it (error 17).
    bool load(const std::string& path);
    /// As load(), from the bytes of a cache file.
    bool parse(const uint8_t* data, size_t size);

    /// Writes the cache file atomically (temporary file in the same folder, then rename; the
    /// permissions of a replaced file are kept). Writes only when something changed since the
    /// last load or save, unless `always`. Errors 21 and 22 when the file cannot be written.
    bool save(const std::string& path, bool always = false);
    /// The bytes save() writes.
    std::vector<uint8_t> serialise() const;

    /// Looks up `file`; on Ready `thumb` receives the thumbnail, unpacked now. An entry
    /// whose pixels do not unpack is dropped (the cache counts as changed) and reported as a
    /// Miss with error 17, so that the thumbnail is made again.
    CacheLookup lookup(const FileEntry& file, Image& thumb);
    /// As lookup() without unpacking: what a lookup would most likely give.
    CacheLookup check(const FileEntry& file) const;
    /// Stores a produced thumbnail (24-bit RGB or 32-bit with alpha, fitted into the cache's
    /// size) for `file`.
    void store(const FileEntry& file, const Image& thumb);
    /// Records that `file` could not be decoded, so it is not retried until it changes.
    void storeFailure(const FileEntry& file);
    /// Drops the entries of files that are not in `files` (deleted or renamed since).
    void retain(const std::vector<FileEntry>& files);

    size_t count() const;
    bool changed() const;

  private:
    struct Entry {
        uint64_t fileSize = 0;
        int64_t mtimeNs = 0;
        bool failed = false;
        uint16_t width = 0, height = 0;
        // The packed pixels: `packedSize` bytes from `packedAt` in `owner`, which is the whole
        // cache file for loaded entries and the entry's own buffer for stored ones.
        std::shared_ptr<const std::vector<uint8_t>> owner;
        size_t packedAt = 0, packedSize = 0;
        const uint8_t* packed() const { return owner->data() + packedAt; }
    };

    bool parseShared(std::shared_ptr<const std::vector<uint8_t>> file);

    void put(const std::string& name, Entry entry);

    const int size_;
    const std::string folder_;  // the folder it belongs to, or empty
    mutable std::mutex mutex_;
    std::map<std::string, Entry> entries_;
    bool changed_ = false;
};

}  // namespace ximora::engine
