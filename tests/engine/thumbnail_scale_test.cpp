#include <gtest/gtest.h>

#include <cstring>

#include "engine/core/error.h"
#include "engine/thumbs/thumbnail_scale.h"

using namespace ximora::engine;

TEST(ThumbnailScale, FitsIntoTheSquareKeepingAspectAndNeverEnlarges) {
    struct Case {
        int w, h, box;
        ThumbnailSize fitted;
    };
    const Case cases[] = {
        {4000, 3000, 100, {100, 75}},  {3000, 4000, 100, {75, 100}},
        {4000, 3000, 200, {200, 150}}, {640, 480, 640, {640, 480}},
        {50, 20, 100, {50, 20}},       {100, 100, 100, {100, 100}},
        {10000, 1, 100, {100, 1}},     {1, 10000, 100, {1, 100}},
        {301, 200, 100, {100, 66}},    {1, 1, 1, {1, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fitIntoSquare(c.w, c.h, c.box), c.fitted) << c.w << "x" << c.h << " in " << c.box;
}

// Each thumbnail pixel must be the exact mean of the area it covers, also where the area
// boundaries fall inside source pixels.
TEST(ThumbnailScale, AveragesTheCoveredAreaExactly) {
    Image source;
    ASSERT_TRUE(source.allocate(6, 3, 24));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) {
            uint8_t* p = source.row(y) + 3 * x;
            p[0] = uint8_t(x * 40), p[1] = uint8_t(y * 100), p[2] = uint8_t((x + y) % 2 ? 255 : 0);
        }
    Image thumb;
    ASSERT_TRUE(makeThumbnail(source, 4, thumb));  // 6×3 → 4×2: 1.5 × 1.5 pixels each
    ASSERT_EQ(thumb.width(), 4);
    ASSERT_EQ(thumb.height(), 2);
    ASSERT_EQ(thumb.bitsPerPixel(), 24);
    for (int ty = 0; ty < 2; ++ty)
        for (int tx = 0; tx < 4; ++tx) {
            double sum[3] = {0, 0, 0};
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 6; ++x) {
                    // overlap of [x, x+1) with [1.5 tx, 1.5 tx + 1.5), likewise in y
                    const double ox = std::max(
                        0.0, std::min(x + 1.0, 1.5 * tx + 1.5) - std::max(double(x), 1.5 * tx));
                    const double oy = std::max(
                        0.0, std::min(y + 1.0, 1.5 * ty + 1.5) - std::max(double(y), 1.5 * ty));
                    for (int c = 0; c < 3; ++c) sum[c] += source.row(y)[3 * x + c] * ox * oy;
                }
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(thumb.row(ty)[3 * tx + c], sum[c] / 2.25, 0.5)
                    << tx << "," << ty << " c" << c;
        }
}

TEST(ThumbnailScale, ReadsEveryDepthAndLaysTransparencyOverWhite) {
    const Colour red{255, 0, 0, 255};
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        Image source;
        ASSERT_TRUE(source.allocateZeroed(300, 200, bpp));
        if (bpp <= 8) {
            source.palette = {red};
        } else {
            for (int y = 0; y < 200; ++y)
                for (int x = 0; x < 300; ++x) {
                    uint8_t* p = source.row(y) + x * source.bytesPerPixel();
                    if (bpp == 16) {
                        const uint16_t v = packRgb565(255, 0, 0);
                        std::memcpy(p, &v, 2);
                    } else {
                        p[0] = 255;
                        if (bpp == 32) p[3] = 255;
                    }
                }
        }
        Image thumb;
        ASSERT_TRUE(makeThumbnail(source, 100, thumb)) << bpp;
        EXPECT_EQ(thumb.width(), 100);
        EXPECT_EQ(thumb.height(), 67);
        EXPECT_EQ(thumb.pixel(50, 30), red) << bpp;
    }
    Image clear;
    ASSERT_TRUE(clear.allocateZeroed(4, 4, 32));  // alpha 0 everywhere
    Image thumb;
    ASSERT_TRUE(makeThumbnail(clear, 2, thumb));
    EXPECT_EQ(thumb.pixel(1, 1), (Colour{255, 255, 255, 255}));
}

TEST(ThumbnailScale, RefusesBadArguments) {
    Image empty, thumb;
    EXPECT_FALSE(makeThumbnail(empty, 100, thumb));
    EXPECT_EQ(lastError(), kErrBadImage);
    Image one;
    ASSERT_TRUE(one.allocateZeroed(1, 1, 24));
    EXPECT_FALSE(makeThumbnail(one, 0, thumb));
    EXPECT_EQ(lastError(), kErrBadParameter);
    EXPECT_TRUE(thumb.empty());
}
