#pragma once
// The items of the thumbnail grid and their pictures: the folder's listing, the cache of the
// folder at the current size, the worker threads that fill it, and a bounded set of decoded
// pictures for painting. Pictures live compressed in the cache; only those recently painted
// are kept decoded, so memory stays flat however many files the folder holds.

#include <QCache>
#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "engine/thumbs/folder_listing.h"

namespace ximora::engine {
class ThumbnailCache;
class ThumbnailProducer;
struct ThumbnailResult;
}  // namespace ximora::engine

namespace ximora::browser {

class ThumbnailSet : public QObject {
    Q_OBJECT
  public:
    enum class State { Pending, Ready, Failed };

    explicit ThumbnailSet(QObject* parent = nullptr);
    ~ThumbnailSet() override;

    /// Lists the image files of `folder` that pass `filter` and starts producing their
    /// thumbnails at `size` pixels, taking what the cache file `cacheFile` (may be empty) holds.
    /// A missing or damaged cache file is ignored (and rewritten by saveCache()). Returns the
    /// number of items.
    int list(const QString& folder, const QString& filter, int size, const QString& cacheFile);
    /// Stops the workers and forgets every item (the thumbnails made stay with the cache).
    void reset();
    /// Stops making thumbnails (the user cancelled): the items not made yet keep their
    /// placeholders until the folder is listed again; what was made stays with the cache.
    void stop();
    /// Writes the cache file named at listing when anything changed. False when it could not
    /// be written (or there is no cache file).
    bool saveCache();

    int count() const { return int(items_.size()); }
    QString folder() const { return folder_; }
    /// Display name of item `index` (0-based).
    QString name(int index) const { return items_.at(size_t(index)).name; }
    State state(int index) const { return items_.at(size_t(index)).state; }
    /// The picture of item `index` when it is ready (decoded from the cache if needed), else a
    /// null image.
    QImage picture(int index);
    /// Drops item `index` (0-based) from the set.
    void remove(int index);
    /// Items from `first` (0-based) on are produced before the others.
    void prioritiseFrom(int first);
    /// Pictures of items outside [first, last] are not kept decoded when they arrive.
    void setVisibleRange(int first, int last);
    /// Whether workers are still producing.
    bool busy() const { return remaining_ > 0; }
    /// Waits until every thumbnail was produced and delivered (tests and tools).
    void waitUntilDone();

  signals:
    void busyBegin();
    void busyEnd();
    /// The picture of item `index` became ready or failed.
    void itemChanged(int index);
    /// `done` of `total` thumbnails of the listing are made or taken from the cache.
    void progress(int done, int total);

  private:
    struct Item {
        QString name;
        engine::FileEntry file;
        int origin = 0;  // position in the listing the workers were given
        State state = State::Pending;
    };

    void onCacheRead();
    void start(std::vector<engine::FileEntry> files);
    void deliver(const engine::ThumbnailResult& result, unsigned job);
    void keepPicture(int origin, const QImage& picture);
    void finishOne();

    std::unique_ptr<engine::ThumbnailProducer> producer_;
    std::shared_ptr<engine::ThumbnailCache> cache_;
    QFutureWatcher<void> loading_;            // reading the cache file
    std::vector<engine::FileEntry> waiting_;  // the listing, until the cache file is read
    std::vector<Item> items_;
    std::vector<int> positionOf_;  // listing position -> index in items_, -1 once removed
    QString folder_;
    QString cacheFile_;
    QCache<int, QImage> pictures_;  // by listing position, cost in KiB
    int first_ = 0, last_ = -1;
    int remaining_ = 0;
    int total_ = 0;  // files of the listing, for progress
    unsigned job_ = 0;
};

}  // namespace ximora::browser
