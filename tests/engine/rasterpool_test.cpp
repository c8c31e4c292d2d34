// The pool of freed large rasters: what it keeps is bounded, and what it hands back is never
// mistaken for initialised or zeroed memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/core/image.h"
#include "engine/core/rasterpool.h"

using namespace ximora::engine;

namespace {
// 24-bit rasters just above the pool's lower bound (3000 × 1000 × 3 = 9 MB) and growing by
// more than an eighth each, so that no two of them share a buffer.
Image largeImage(int step, uint8_t fill) {
    Image image;
    EXPECT_TRUE(image.allocate(3000, 1000 + step * 200, 24));
    std::memset(image.data(), fill, image.byteCount());
    return image;
}
}  // namespace

TEST(RasterPool, KeepsAtMostTwoLargeBuffersWithinTheCap) {
    RasterPool::releasePooled();
    for (int step = 0; step < 4; ++step) largeImage(step, 0x11);
    EXPECT_EQ(RasterPool::pooledCount(), RasterPool::kMaxPooled);
    EXPECT_LE(RasterPool::pooledBytes(), RasterPool::kMaxPooledBytes);
    // The newest ones stay: the last two sizes are reused, not the first.
    EXPECT_EQ(RasterPool::pooledBytes(), size_t(9000) * (1600 + 1400));

    Image small;
    ASSERT_TRUE(small.allocate(100, 100, 24));
    small = Image();
    EXPECT_EQ(RasterPool::pooledCount(), RasterPool::kMaxPooled);  // small rasters are not kept

    RasterPool::releasePooled();
    EXPECT_EQ(RasterPool::pooledCount(), 0);
    EXPECT_EQ(RasterPool::pooledBytes(), 0u);
}

TEST(RasterPool, ReusedBufferIsZeroedOrCopiedInFull) {
    RasterPool::releasePooled();
    largeImage(0, 0xab);
    ASSERT_EQ(RasterPool::pooledCount(), 1);

    Image zeroed;
    ASSERT_TRUE(zeroed.allocateZeroed(3000, 1000, 24));
    EXPECT_EQ(RasterPool::pooledCount(), 0);  // the dirty buffer came back
    const uint8_t* p = zeroed.data();
    EXPECT_TRUE(std::all_of(p, p + zeroed.byteCount(), [](uint8_t v) { return v == 0; }));

    // A copy into a reused buffer holds the source, not the previous raster's bytes.
    Image source = largeImage(0, 0x5c);
    zeroed = Image();
    const Image copy = source;
    ASSERT_EQ(copy.byteCount(), source.byteCount());
    EXPECT_EQ(std::memcmp(copy.data(), source.data(), source.byteCount()), 0);
    RasterPool::releasePooled();
}

TEST(RasterPool, FailedAllocationKeepsTheImage) {
    RasterPool::releasePooled();
    Image image = largeImage(0, 0x42);
    EXPECT_FALSE(image.allocate(kMaxSide + 1, 10, 24));
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(image.width(), 3000);
    EXPECT_EQ(image.row(999)[8999], 0x42);
    RasterPool::releasePooled();
}

#if defined(__SANITIZE_ADDRESS__)
TEST(RasterPoolDeathTest, UseOfAPooledRasterIsStillReported) {
    EXPECT_DEATH(
        {
            RasterPool::releasePooled();
            Image image = largeImage(0, 0x01);
            volatile uint8_t* stale = image.data();
            image = Image();
            ASSERT_EQ(RasterPool::pooledCount(), 1);
            stale[4096] = 2;
        },
        "use-after-poison");
}
#endif
