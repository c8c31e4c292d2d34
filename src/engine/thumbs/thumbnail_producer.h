#pragma once
// Produces the thumbnails of a folder on a pool of worker threads, in an order the caller may
// change while the work runs (the grid asks for the visible items first).

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/image.h"
#include "engine/thumbs/folder_listing.h"
#include "engine/thumbs/thumbnail_cache.h"
#include "engine/thumbs/thumbnail_loader.h"

namespace ximora::engine {

/// One finished thumbnail.
struct ThumbnailResult {
    size_t index = 0;        ///< position of the file in the list given to start()
    bool ok = false;         ///< false: the file vanished or is not a readable image
    Image image;             ///< when ok: 24-bit RGB (32-bit where transparent), fitted (empty
                             ///< for a cached one when the job does not unpack them)
    int error = 0;           ///< when not ok: the engine error code (16 vanished, 6/17/23 damaged)
    bool fromCache = false;  ///< the thumbnail (or the failure) came from the cache
};

/// Makes the thumbnail of one file, fitted into a square of `size` pixels; on failure returns
/// false with the engine's last error set. Called on worker threads, several at once.
using ThumbnailMaker = std::function<bool(const std::string& path, int size, Image& thumb)>;

class ThumbnailProducer {
  public:
    /// Called once per file, on a worker thread, possibly on several threads at once. It must
    /// not call start(), cancel() or wait() of the same producer; a Qt caller forwards the
    /// result to the UI thread (a queued signal).
    using Callback = std::function<void(ThumbnailResult&& result)>;

    /// Starts `threads` workers (0: one per core). `maker` makes the thumbnails of files not in
    /// the cache; loadThumbnail() unless a caller has its own decoder.
    explicit ThumbnailProducer(ThumbnailMaker maker = loadThumbnail, int threads = 0);
    /// Cancels the work and joins the workers.
    ~ThumbnailProducer();
    ThumbnailProducer(const ThumbnailProducer&) = delete;
    ThumbnailProducer& operator=(const ThumbnailProducer&) = delete;

    /// Cancels any running job, then produces thumbnails of `files` in `folder` fitted into
    /// squares of `size` pixels and returns at once. With a `cache` (of the same size; another
    /// size is not used), cached thumbnails of unchanged files are taken from it and new ones
    /// are stored into it; failures of damaged files are remembered there too. The order is
    /// the list's order until prioritiseFrom() says otherwise. Without `unpackCached`, a
    /// cached thumbnail is delivered ok without pixels: the caller unpacks it from the cache
    /// when it needs it (a large folder then costs no unpacking up front).
    void start(std::string folder, std::vector<FileEntry> files, int size,
               std::shared_ptr<ThumbnailCache> cache, Callback done, bool unpackCached = true);

    /// Items from index `first` on (the first visible one in the grid) are produced first, in
    /// list order, then the items before it. Takes effect for every item not yet begun.
    void prioritiseFrom(size_t first);

    /// Drops the items not yet begun and waits for those being made; after it returns, the
    /// callback of the cancelled job is not called again.
    void cancel();

    /// Blocks until every item of the current job has been delivered.
    void wait();

    /// Whether items are waiting or being made.
    bool busy() const;

  private:
    struct Job {
        std::string folder;
        std::vector<FileEntry> files;
        int size = 0;
        std::shared_ptr<ThumbnailCache> cache;
        Callback done;
        bool unpackCached = true;
    };

    void work();
    size_t takeNext();  // with mutex_ held and pending_ not empty
    ThumbnailResult produce(const Job& job, size_t index) const;

    ThumbnailMaker maker_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;  // workers: items or stop
    std::condition_variable idle_;  // cancel/wait: an item finished
    std::shared_ptr<const Job> job_;
    std::set<size_t> pending_;
    size_t firstWanted_ = 0;
    size_t active_ = 0;
    uint64_t generation_ = 0;
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace ximora::engine
