#include "editor/document/read_ahead.h"

#include <algorithm>

#include "engine/codecs/registry.h"
#include "engine/core/memory_budget.h"

namespace ximora::editor {

bool ReadAhead::Stamp::operator==(const Stamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

ReadAhead::ReadAhead(Decode decode) : decode_(std::move(decode)), worker_([this] { work(); }) {}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        wanted_.clear();
    }
    changed_.notify_all();
    worker_.join();
}

bool ReadAhead::stampOf(const std::string& path, Stamp& stamp) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    stamp = {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
    return true;
}

std::deque<ReadAhead::Held>::iterator ReadAhead::findHeld(const std::string& path) {
    return std::find_if(held_.begin(), held_.end(),
                        [&](const Held& held) { return held.path == path; });
}

bool ReadAhead::isHeld(const std::string& path) const {
    return std::any_of(held_.begin(), held_.end(),
                       [&](const Held& held) { return held.path == path; });
}

bool ReadAhead::wanted(const std::string& path) const {
    return std::find(wanted_.begin(), wanted_.end(), path) != wanted_.end();
}

void ReadAhead::want(std::vector<std::string> paths) {
    {
        std::lock_guard lock(mutex_);
        wanted_ = std::move(paths);
        tried_.clear();
        std::erase_if(held_, [this](const Held& held) { return !wanted(held.path); });
    }
    changed_.notify_all();
}

bool ReadAhead::take(const std::string& path, engine::Image& out) {
    std::unique_lock lock(mutex_);
    // The file being read is the one asked for: waiting for it is quicker than starting again.
    changed_.wait(lock, [&] { return reading_ != path; });
    const auto found = findHeld(path);
    if (found == held_.end()) return false;
    Held held = std::move(*found);
    held_.erase(found);
    lock.unlock();
    Stamp now;
    if (!stampOf(path, now) || !(now == held.stamp)) return false;
    out = std::move(held.image);
    return true;
}

bool ReadAhead::holds(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return isHeld(path);
}

void ReadAhead::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        std::string next;
        changed_.wait(lock, [&] {
            if (stopping_) return true;
            for (const std::string& path : wanted_) {
                if (!isHeld(path) && !tried_.contains(path)) {
                    next = path;
                    return true;
                }
            }
            return false;
        });
        if (stopping_) return;
        tried_.insert(next);
        reading_ = next;
        lock.unlock();
        Held held{next, {}, {}};
        // The pictures held are counted as live; another one is read only while half of what
        // is left stays free for the picture being edited.
        const uint64_t bytes = engine::headerRasterBytes(next);
        const bool read = bytes * 2 <= engine::memoryLimit() && stampOf(next, held.stamp) &&
                          decode_(next, held.image);
        lock.lock();
        reading_.clear();
        if (read && !stopping_ && wanted(next)) held_.push_back(std::move(held));
        changed_.notify_all();
    }
}

}  // namespace ximora::editor
