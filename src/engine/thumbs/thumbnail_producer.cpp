#include "engine/thumbs/thumbnail_producer.h"

#include "engine/core/error.h"
#include "engine/core/parallel.h"

namespace ximora::engine {
namespace {

// Failures that stay as long as the file does not change; others (a file gone or locked for a
// moment) are tried again at the next listing.
bool lastsWithFile(int error) {
    return error == kErrBadFile || error == kErrFileBroken || error == kErrCannotRead ||
           error == kErrMemory || error == kErrBadImage || error == kErrUnsupported;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

ThumbnailProducer::ThumbnailProducer(ThumbnailMaker maker, int threads) : maker_(std::move(maker)) {
    const int count = threads > 0 ? threads : workerCount();
    workers_.reserve(size_t(count));
    for (int i = 0; i < count; ++i) workers_.emplace_back([this] { work(); });
}

ThumbnailProducer::~ThumbnailProducer() {
    cancel();
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
}

void ThumbnailProducer::start(std::string folder, std::vector<FileEntry> files, int size,
                              std::shared_ptr<ThumbnailCache> cache, Callback done,
                              bool unpackCached) {
    cancel();
    if (cache && cache->size() != size) cache.reset();
    auto job = std::make_shared<Job>(Job{std::move(folder), std::move(files), size,
                                         std::move(cache), std::move(done), unpackCached});
    {
        std::lock_guard lock(mutex_);
        for (size_t i = 0; i < job->files.size(); ++i) pending_.insert(pending_.end(), i);
        job_ = std::move(job);
        firstWanted_ = 0;
    }
    wake_.notify_all();
}

void ThumbnailProducer::prioritiseFrom(size_t first) {
    std::lock_guard lock(mutex_);
    firstWanted_ = first;
}

void ThumbnailProducer::cancel() {
    std::unique_lock lock(mutex_);
    ++generation_;
    pending_.clear();
    idle_.wait(lock, [this] { return active_ == 0; });
    job_.reset();
}

void ThumbnailProducer::wait() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return pending_.empty() && active_ == 0; });
}

bool ThumbnailProducer::busy() const {
    std::lock_guard lock(mutex_);
    return !pending_.empty() || active_ > 0;
}

size_t ThumbnailProducer::takeNext() {
    auto it = pending_.lower_bound(firstWanted_);
    if (it == pending_.end()) it = pending_.begin();  // only items before the wanted ones left
    const size_t index = *it;
    pending_.erase(it);
    return index;
}

void ThumbnailProducer::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !pending_.empty(); });
        if (stop_) return;
        const size_t index = takeNext();
        const std::shared_ptr<const Job> job = job_;
        const uint64_t generation = generation_;
        ++active_;
        lock.unlock();
        ThumbnailResult result = produce(*job, index);
        lock.lock();
        // cancel() waits for active_ to reach 0, so a callback checked here as current
        // finishes before cancel() returns.
        if (generation == generation_) {
            lock.unlock();
            job->done(std::move(result));
            lock.lock();
        }
        --active_;
        idle_.notify_all();
    }
}

ThumbnailResult ThumbnailProducer::produce(const Job& job, size_t index) const {
    ThumbnailResult result;
    result.index = index;
    const FileEntry& file = job.files[index];
    if (job.cache) {
        const CacheLookup found =
            job.unpackCached ? job.cache->lookup(file, result.image) : job.cache->check(file);
        switch (found) {
            case CacheLookup::Ready:
                result.ok = result.fromCache = true;
                return result;
            case CacheLookup::Failed:
                result.fromCache = true;
                result.error = kErrFileBroken;
                return result;
            case CacheLookup::Miss:
                break;
        }
    }
    clearLastError();
    if (maker_(joinPath(job.folder, file.name), job.size, result.image)) {
        result.ok = true;
        if (job.cache) job.cache->store(file, result.image);
        return result;
    }
    result.image = Image();
    result.error = lastError() ? lastError() : kErrOther;
    if (job.cache && lastsWithFile(result.error)) job.cache->storeFailure(file);
    return result;
}

}  // namespace ximora::engine
