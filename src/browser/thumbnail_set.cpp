#include "browser/thumbnail_set.h"

#include "browser/thumbnail_cache_files.h"

#include <QCoreApplication>
#include <QFile>
#include <QtConcurrent/QtConcurrentRun>
#include <utility>

#include "engine/thumbs/thumbnail_cache.h"
#include "engine/thumbs/thumbnail_producer.h"
#include "platform/file_names.h"
#include "util/qimage_adapter.h"

namespace ximora::browser {
namespace {

// Decoded pictures kept for painting: the screens around the visible one at 200 pixels take a
// few MiB; the rest stays packed in the cache.
constexpr int kPictureBudgetKiB = 24 * 1024;

int costKiB(const QImage& picture) { return int(picture.sizeInBytes() / 1024) + 1; }

}  // namespace

ThumbnailSet::ThumbnailSet(QObject* parent)
    : QObject(parent),
      producer_(std::make_unique<engine::ThumbnailProducer>()),
      pictures_(kPictureBudgetKiB) {
    connect(&loading_, &QFutureWatcher<void>::finished, this, &ThumbnailSet::onCacheRead);
}

ThumbnailSet::~ThumbnailSet() {
    loading_.waitForFinished();
    producer_->cancel();
}

void ThumbnailSet::stop() {
    // A cache file still being read is waited for: the cache object may be listed again.
    loading_.waitForFinished();
    waiting_.clear();
    producer_->cancel();
    ++job_;
    if (remaining_ > 0) {
        remaining_ = 0;
        emit busyEnd();
    }
}

void ThumbnailSet::reset() {
    stop();
    items_.clear();
    positionOf_.clear();
    pictures_.clear();
}

int ThumbnailSet::list(const QString& folder, const QString& filter, int size,
                       const QString& cacheFile) {
    reset();
    // Listing the same folder again at the same size keeps what was made since the cache file
    // was read; anything else starts from the file.
    const bool again = cache_ && folder == folder_ && cacheFile == cacheFile_ &&
                       cache_->size() == std::max(1, size);
    folder_ = folder;
    cacheFile_ = cacheFile;
    const std::string nativeFolder = platform::encodePath(folder).toStdString();
    const std::string owner = platform::encodePath(cacheOwner(folder)).toStdString();
    std::vector<engine::FileEntry> files;
    engine::listImageFiles(nativeFolder, filter.toStdString(), files);

    items_.reserve(files.size());
    positionOf_.resize(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        items_.push_back(
            Item{platform::decodePath(files[i].name), files[i], int(i), State::Pending});
        positionOf_[i] = int(i);
    }
    if (files.empty()) {
        if (!again) cache_ = std::make_shared<engine::ThumbnailCache>(std::max(1, size), owner);
        return 0;
    }
    remaining_ = total_ = int(files.size());
    emit busyBegin();
    emit progress(0, total_);

    if (again || cacheFile.trimmed().isEmpty()) {
        if (!again) cache_ = std::make_shared<engine::ThumbnailCache>(std::max(1, size), owner);
        start(std::move(files));
        return count();
    }
    // A large cache file takes a while to read; the grid shows its placeholders meanwhile.
    cache_ = std::make_shared<engine::ThumbnailCache>(std::max(1, size), owner);
    waiting_ = std::move(files);
    loading_.setFuture(
        QtConcurrent::run([cache = cache_, path = platform::encodePath(cacheFile).toStdString()] {
            cache->load(path);
        }));
    return count();
}

void ThumbnailSet::onCacheRead() {
    // A late signal of a reading that an earlier listing started finds nothing waiting, or
    // finds the new reading still running.
    if (loading_.isRunning() || waiting_.empty()) return;
    start(std::exchange(waiting_, {}));
}

void ThumbnailSet::start(std::vector<engine::FileEntry> files) {
    cache_->retain(files);
    const unsigned job = job_;
    producer_->start(
        platform::encodePath(folder_).toStdString(), std::move(files), cache_->size(), cache_,
        [this, job](engine::ThumbnailResult&& result) {
            // Workers hand over to the user-interface thread; a result of an
            // earlier listing that is still queued is dropped there.
            auto shared = std::make_shared<engine::ThumbnailResult>(std::move(result));
            QMetaObject::invokeMethod(
                this, [this, shared, job] { deliver(*shared, job); }, Qt::QueuedConnection);
        },
        false);  // cached pictures are unpacked when painted (picture())
}

void ThumbnailSet::deliver(const engine::ThumbnailResult& result, unsigned job) {
    if (job != job_ || result.index >= positionOf_.size()) return;
    const int origin = int(result.index);
    const int index = positionOf_[result.index];
    if (index >= 0) {
        Item& item = items_[size_t(index)];
        item.state = result.ok ? State::Ready : State::Failed;
        if (result.ok && !result.image.empty() && index >= first_ && index <= last_)
            keepPicture(origin, util::toQImage(result.image));
        emit itemChanged(index);
    }
    finishOne();
}

void ThumbnailSet::finishOne() {
    if (remaining_ <= 0) return;
    --remaining_;
    emit progress(total_ - remaining_, total_);
    if (remaining_ == 0) emit busyEnd();
}

void ThumbnailSet::keepPicture(int origin, const QImage& picture) {
    pictures_.insert(origin, new QImage(picture), costKiB(picture));
}

QImage ThumbnailSet::picture(int index) {
    if (index < 0 || index >= count()) return {};
    const Item& item = items_[size_t(index)];
    if (item.state != State::Ready) return {};
    if (const QImage* kept = pictures_.object(item.origin)) return *kept;
    engine::Image thumb;
    if (!cache_ || cache_->lookup(item.file, thumb) != engine::CacheLookup::Ready) {
        // A cached picture that does not unpack (the cache drops it, so the next listing makes
        // it again) shows the placeholder instead of an empty cell that never fills.
        items_[size_t(index)].state = State::Failed;
        return {};
    }
    QImage picture = util::toQImage(thumb);
    keepPicture(item.origin, picture);
    return picture;
}

void ThumbnailSet::remove(int index) {
    if (index < 0 || index >= count()) return;
    pictures_.remove(items_[size_t(index)].origin);
    items_.erase(items_.begin() + index);
    std::fill(positionOf_.begin(), positionOf_.end(), -1);
    for (size_t i = 0; i < items_.size(); ++i) positionOf_[size_t(items_[i].origin)] = int(i);
}

void ThumbnailSet::prioritiseFrom(int first) {
    if (first >= 0 && first < count())
        producer_->prioritiseFrom(size_t(items_[size_t(first)].origin));
}

void ThumbnailSet::setVisibleRange(int first, int last) {
    first_ = first;
    last_ = last;
}

bool ThumbnailSet::saveCache() {
    loading_.waitForFinished();
    if (!cache_ || cacheFile_.trimmed().isEmpty()) return false;
    return cache_->save(platform::encodePath(cacheFile_).toStdString());
}

void ThumbnailSet::waitUntilDone() {
    loading_.waitForFinished();
    onCacheRead();
    producer_->wait();
    QCoreApplication::sendPostedEvents(this);
}

}  // namespace ximora::browser
