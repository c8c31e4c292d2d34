#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "engine/core/error.h"
#include "engine/thumbs/thumbnail_producer.h"
#include "thumbs_test_folder.h"

using namespace ximora::engine;
using ximora::engine::test::makeTextThumbnail;
using ximora::engine::test::TestFolder;

namespace {

struct Collected {
    std::mutex mutex;
    std::map<size_t, ThumbnailResult> results;
    std::vector<size_t> order;
    ThumbnailProducer::Callback callback() {
        return [this](ThumbnailResult&& r) {
            std::lock_guard lock(mutex);
            order.push_back(r.index);
            results[r.index] = std::move(r);
        };
    }
};

// Holds a worker until opened from another thread.
class Gate {
  public:
    void pass() {
        std::unique_lock lock(mutex_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    void waitEntered() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return entered_; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false, open_ = false;
};

std::vector<FileEntry> listed(const TestFolder& dir) {
    std::vector<FileEntry> files;
    listImageFiles(dir.path(), kImageFilter, files);
    return files;
}

}  // namespace

TEST(ThumbnailProducer, DeliversEachFileWithFailuresForBrokenAndVanishedOnes) {
    TestFolder dir;
    dir.write("a.jpg", "400x300");
    dir.write("b.jpg", "broken");
    dir.write("c.png", "50x80");
    dir.write("d.gif", "30x30");
    const std::vector<FileEntry> files = listed(dir);
    std::filesystem::remove(dir.file("d.gif"));  // gone after the listing

    ThumbnailProducer producer(makeTextThumbnail, 3);
    Collected got;
    producer.start(dir.path(), files, 100, nullptr, got.callback());
    producer.wait();
    EXPECT_FALSE(producer.busy());
    ASSERT_EQ(got.results.size(), 4u);
    EXPECT_TRUE(got.results[0].ok);
    EXPECT_EQ(got.results[0].image.width(), 100);
    EXPECT_EQ(got.results[0].image.height(), 75);
    EXPECT_FALSE(got.results[1].ok);
    EXPECT_EQ(got.results[1].error, kErrFileBroken);
    EXPECT_TRUE(got.results[1].image.empty());
    EXPECT_TRUE(got.results[2].ok);
    EXPECT_EQ(got.results[2].image.width(), 50);  // small images keep their size
    EXPECT_FALSE(got.results[3].ok);
    EXPECT_EQ(got.results[3].error, kErrFileNotFound);
}

TEST(ThumbnailProducer, UsesTheCacheAndRebuildsChangedFiles) {
    TestFolder dir;
    dir.write("a.jpg", "400x300");
    dir.write("b.jpg", "broken");
    dir.write("c.jpg", "20x10");
    auto cache = std::make_shared<ThumbnailCache>(100);
    {
        ThumbnailProducer producer(makeTextThumbnail, 2);
        Collected got;
        producer.start(dir.path(), listed(dir), 100, cache, got.callback());
        producer.wait();
        for (auto& [i, r] : got.results) EXPECT_FALSE(r.fromCache) << i;
    }
    ASSERT_TRUE(cache->save(dir.file("cache.Dat")));

    dir.write("c.jpg", "200x100");  // changed: size differs
    dir.touch("c.jpg", 12345);
    int made = 0;
    std::mutex madeMutex;
    ThumbnailProducer counting(
        [&](const std::string& path, int size, Image& thumb) {
            std::lock_guard lock(madeMutex);
            ++made;
            return makeTextThumbnail(path, size, thumb);
        },
        2);
    auto reloaded = std::make_shared<ThumbnailCache>(100);
    ASSERT_TRUE(reloaded->load(dir.file("cache.Dat")));
    Collected got;
    counting.start(dir.path(), listed(dir), 100, reloaded, got.callback());
    counting.wait();
    EXPECT_EQ(made, 1);  // only the changed file was decoded again
    EXPECT_TRUE(got.results[0].ok && got.results[0].fromCache);
    EXPECT_EQ(got.results[0].image.width(), 100);
    EXPECT_TRUE(!got.results[1].ok && got.results[1].fromCache);  // known to be broken
    EXPECT_TRUE(got.results[2].ok && !got.results[2].fromCache);
    EXPECT_EQ(got.results[2].image.width(), 100);
    EXPECT_TRUE(reloaded->changed());

    // A caller that unpacks cached thumbnails itself gets them without pixels.
    Collected lazy;
    counting.start(dir.path(), listed(dir), 100, reloaded, lazy.callback(), false);
    counting.wait();
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(lazy.results[0].ok && lazy.results[0].fromCache);
    EXPECT_TRUE(lazy.results[0].image.empty());
    EXPECT_TRUE(lazy.results[2].ok && lazy.results[2].fromCache);
}

TEST(ThumbnailProducer, FollowsTheWantedOrderAndCancels) {
    TestFolder dir;
    for (int i = 0; i < 12; ++i) dir.write("f" + std::to_string(10 + i) + ".bmp", "8x8");
    const std::vector<FileEntry> files = listed(dir);
    // One worker, held inside the first item while the order is changed.
    Gate gate;
    ThumbnailProducer producer(
        [&](const std::string& path, int size, Image& thumb) {
            gate.pass();
            return makeTextThumbnail(path, size, thumb);
        },
        1);
    Collected got;
    producer.start(dir.path(), files, 100, nullptr, got.callback());
    gate.waitEntered();
    producer.prioritiseFrom(8);
    gate.open();
    producer.wait();
    EXPECT_EQ(got.order, (std::vector<size_t>{0, 8, 9, 10, 11, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(ThumbnailProducer, CancelDropsTheRestAndStopsCallbacks) {
    TestFolder dir;
    for (int i = 0; i < 6; ++i) dir.write("f" + std::to_string(i) + ".bmp", "8x8");
    Gate gate;
    std::atomic<int> made{0};
    ThumbnailProducer producer(
        [&](const std::string& path, int size, Image& thumb) {
            gate.pass();
            ++made;
            return makeTextThumbnail(path, size, thumb);
        },
        1);
    Collected got;
    producer.start(dir.path(), listed(dir), 100, nullptr, got.callback());
    gate.waitEntered();
    // The first item is released while cancel() waits for it. Had it been released before
    // cancel() took hold, the worker could legitimately go on to the next items; the pause
    // makes that unlikely, and the checks below hold either way except the last.
    std::atomic<bool> cancelling{false};
    std::thread opener([&] {
        while (!cancelling) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        gate.open();
    });
    cancelling = true;
    producer.cancel();
    opener.join();
    EXPECT_FALSE(producer.busy());
    size_t delivered = 0;
    {
        std::lock_guard lock(got.mutex);
        delivered = got.order.size();
        for (size_t i = 0; i < got.order.size(); ++i) EXPECT_EQ(got.order[i], i);
    }
    // Nothing arrives once cancel() has returned.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::lock_guard lock(got.mutex);
    EXPECT_EQ(got.order.size(), delivered);
    EXPECT_LT(made.load(), 6) << "cancel() dropped nothing";
}
