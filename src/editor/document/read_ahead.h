#pragma once
// Reading ahead: the pictures the user is likely to ask for next (the neighbours in the
// browser's order) are decoded on a worker thread while the current one is looked at, so that
// stepping through a folder shows each at once. A picture read ahead is handed out only while
// its file is as it was when it was read, so it is exactly what opening the file would give.

#include <sys/stat.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/image.h"

namespace ximora::editor {

class ReadAhead {
  public:
    /// Decodes the file at `path` (the engine's path bytes) as opening it would; false when it
    /// cannot. Called on the worker thread.
    using Decode = std::function<bool(const std::string& path, engine::Image& out)>;

    explicit ReadAhead(Decode decode);
    /// Abandons what is being read and waits for the worker to end.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    /// The pictures wanted next, nearest first. Pictures held or queued for other files are
    /// dropped; a decode running for one no longer wanted finishes unseen. A picture is only
    /// read while it and the pictures in memory leave half of the memory budget free.
    void want(std::vector<std::string> paths);

    /// The picture of `path` when it was read ahead and its file has not changed since (waiting
    /// while it is being read): true with it in `out`. Nothing is held for `path` afterwards.
    bool take(const std::string& path, engine::Image& out);

    /// Whether a picture of `path` is held now (for tests).
    bool holds(const std::string& path) const;

  private:
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{}, changed{};
        bool operator==(const Stamp& other) const;
    };
    struct Held {
        std::string path;
        Stamp stamp;
        engine::Image image;
    };

    static bool stampOf(const std::string& path, Stamp& stamp);
    // The lock held for these three.
    bool wanted(const std::string& path) const;
    bool isHeld(const std::string& path) const;
    std::deque<Held>::iterator findHeld(const std::string& path);
    void work();

    const Decode decode_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> wanted_;
    std::deque<Held> held_;
    std::set<std::string> tried_;  // read (or found unreadable) since the last want()
    std::string reading_;          // the path being decoded now, empty when idle
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace ximora::editor
