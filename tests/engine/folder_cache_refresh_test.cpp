#include <gtest/gtest.h>

#include "engine/core/error.h"
#include "engine/thumbs/folder_cache_refresh.h"
#include "thumbs_test_folder.h"

using namespace ximora::engine;
using ximora::engine::test::makeTextThumbnail;
using ximora::engine::test::TestFolder;

TEST(FolderCacheRefresh, BuildsThenReusesThenFollowsChanges) {
    TestFolder dir;
    dir.write("a.jpg", "400x300");
    dir.write("b.png", "60x40");
    dir.write("c.gif", "broken");
    const std::string cacheFile = dir.file("Thmb100.Dat");
    ThumbnailProducer producer(makeTextThumbnail, 2);

    FolderCacheReport first;
    ASSERT_TRUE(refreshFolderCache(dir.path(), cacheFile, {}, 100, producer, first));
    EXPECT_EQ(first.files, 3u);
    EXPECT_EQ(first.made, 3u);
    EXPECT_EQ(first.failed, 1u);
    EXPECT_TRUE(first.written);

    FolderCacheReport second;
    ASSERT_TRUE(refreshFolderCache(dir.path(), cacheFile, {}, 100, producer, second));
    EXPECT_EQ(second.fromCache, 3u);
    EXPECT_EQ(second.made, 0u);
    EXPECT_EQ(second.failed, 1u);
    EXPECT_FALSE(second.written);

    dir.write("c.gif", "10x10");  // repaired: size changed
    std::filesystem::remove(dir.file("b.png"));
    FolderCacheReport third;
    ASSERT_TRUE(refreshFolderCache(dir.path(), cacheFile, {}, 100, producer, third));
    EXPECT_EQ(third.files, 2u);
    EXPECT_EQ(third.fromCache, 1u);
    EXPECT_EQ(third.made, 1u);
    EXPECT_EQ(third.failed, 0u);
    ThumbnailCache cache(100);
    ASSERT_TRUE(cache.load(cacheFile));
    EXPECT_EQ(cache.count(), 2u);  // the removed file's entry is gone

    // A damaged cache file is rebuilt whole.
    dir.write("Thmb100.Dat", "XIMTHUMB garbage");
    FolderCacheReport fourth;
    ASSERT_TRUE(refreshFolderCache(dir.path(), cacheFile, {}, 100, producer, fourth));
    EXPECT_EQ(fourth.made, 2u);
    EXPECT_TRUE(fourth.written);
    EXPECT_TRUE(ThumbnailCache(100).load(cacheFile));
}

TEST(FolderCacheRefresh, MissingFolderFailsAndWritesNothing) {
    TestFolder dir;
    ThumbnailProducer producer(makeTextThumbnail, 1);
    FolderCacheReport report;
    EXPECT_FALSE(
        refreshFolderCache(dir.file("none"), dir.file("c.Dat"), {}, 100, producer, report));
    EXPECT_EQ(lastError(), kErrFileNotFound);
    EXPECT_FALSE(std::filesystem::exists(dir.file("c.Dat")));
}
