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

TEST(ThumbnailScale, ReadsEveryDepthAndStaysOpaqueWhereNothingShowsThrough) {
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
        EXPECT_EQ(thumb.bitsPerPixel(), 24) << bpp;  // an opaque 32-bit picture too
        EXPECT_EQ(thumb.pixel(50, 30), red) << bpp;
    }
}

// Where transparency shows through, a thumbnail pixel has the mean alpha of what it covers and
// the mean colour of it weighted by alpha (a fully transparent pixel's colour counts for
// nothing), so that it looks right over any background.
TEST(ThumbnailScale, KeepsTransparencyAsStraightAlpha) {
    Image
        source;  // 4 × 2: left column pairs opaque red, right ones blue at alpha 51 and clear green
    ASSERT_TRUE(source.allocateZeroed(4, 2, 32));
    for (int y = 0; y < 2; ++y) {
        uint8_t* p = source.row(y);
        const uint8_t pixels[4][4] = {
            {255, 0, 0, 255}, {255, 0, 0, 255}, {0, 0, 255, 51}, {0, 255, 0, 0}};
        std::memcpy(p, pixels, sizeof pixels);
    }
    Image thumb;
    ASSERT_TRUE(makeThumbnail(source, 2, thumb));  // 2 × 1: each pixel covers 2 × 2
    ASSERT_EQ(thumb.bitsPerPixel(), 32);
    EXPECT_EQ(thumb.pixel(0, 0), (Colour{255, 0, 0, 255}));
    const Colour mixed = thumb.pixel(1, 0);
    EXPECT_EQ(mixed.a, (51 + 0 + 51 + 0 + 2) / 4);  // 26: the mean alpha
    EXPECT_EQ(mixed.b, 255);  // only the blue shows: the clear green adds nothing
    EXPECT_EQ(mixed.g, 0);

    // A palette entry with alpha (a GIF's or a PNG's transparent colour) likewise.
    Image indexed;
    ASSERT_TRUE(indexed.allocateZeroed(4, 4, 8));
    indexed.palette = {{10, 20, 30, 255}, {0, 0, 0, 0}};
    for (int y = 0; y < 4; ++y) indexed.row(y)[3] = 1;
    ASSERT_TRUE(makeThumbnail(indexed, 2, thumb));
    ASSERT_EQ(thumb.bitsPerPixel(), 32);
    EXPECT_EQ(thumb.pixel(0, 0), (Colour{10, 20, 30, 255}));
    EXPECT_EQ(thumb.pixel(1, 0), (Colour{10, 20, 30, 128}));  // half of it clear

    Image clear;
    ASSERT_TRUE(clear.allocateZeroed(4, 4, 32));  // alpha 0 everywhere
    ASSERT_TRUE(makeThumbnail(clear, 2, thumb));
    EXPECT_EQ(thumb.pixel(1, 1).a, 0);
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
