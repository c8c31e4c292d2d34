#include <gtest/gtest.h>

#include "engine/thumbs/cache_name.h"

using namespace ximora::engine;

TEST(CacheName, CentralNamesEncodeTheFolder) {
    EXPECT_EQ(centralCacheFile("/u/data/", "/home/a/pics", 100),
              "/u/data/Thumb/~home~a~pics~100.Dat");
    EXPECT_EQ(centralCacheFile("/u/data", "/home/a/pics/", 100),
              "/u/data/Thumb/~home~a~pics~100.Dat");
    EXPECT_EQ(centralCacheFile("/u/", "/p", 80), "/u/Thumb/~p~080.Dat");
    EXPECT_EQ(centralCacheFile("/u/", "/p", 1200), "/u/Thumb/~p~1200.Dat");
    // "~" in a folder name is kept as it is (the clean-up then reads it as a separator).
    EXPECT_EQ(centralCacheFile("/u/", "/d/A~B", 100), "/u/Thumb/~d~A~B~100.Dat");
    EXPECT_EQ(encodeCacheFolder("/mnt/c:/x"), "~mnt~c~~x");
}

TEST(CacheName, TheRootGetsAValidName) {
    EXPECT_EQ(centralCacheFile("/u/", "/", 100), "/u/Thumb/~~100.Dat");
    EXPECT_EQ(besideCacheFile("/", 100), "/Thmb100.Dat");
}

TEST(CacheName, BesideNamesAndTheModeSwitch) {
    EXPECT_EQ(besideCacheFile("/home/a/pics", 100), "/home/a/pics/Thmb100.Dat");
    EXPECT_EQ(besideCacheFile("/home/a/pics/", 80), "/home/a/pics/Thmb080.Dat");
    EXPECT_EQ(cacheFileFor(true, "/u/", "/p", 100), "/p/Thmb100.Dat");
    EXPECT_EQ(cacheFileFor(false, "/u/", "/p", 100), "/u/Thumb/~p~100.Dat");
}

TEST(CacheName, AlternateNamesAreShortAndTellFoldersApart) {
    const std::string a = alternateCacheFile("/u/", "/x/a/b", 100);
    const std::string b = alternateCacheFile("/u/", "/x/a~b", 100);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind("/u/Thumb/~x~a~b~#", 0), 0u) << a;
    EXPECT_TRUE(a.ends_with("~100.Dat"));
    const std::string longest = alternateCacheFile("/u/", "/" + std::string(600, 'x'), 100);
    EXPECT_LE(longest.size() - std::string("/u/Thumb/").size(), 255u);
    // A name too long for the file system is never the fixed one.
    EXPECT_EQ(cacheFileFor(false, "/u/", "/" + std::string(600, 'x'), 100), longest);
}
