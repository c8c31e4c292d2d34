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
