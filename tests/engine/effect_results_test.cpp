// What each effect does, checked where the result has one right answer.
#include <gtest/gtest.h>

#include "effects_support.h"
#include "engine/effects/canvas.h"
#include "engine/effects/contour.h"
#include "engine/effects/emboss.h"
#include "engine/effects/lens.h"
#include "engine/effects/mosaic.h"
#include "engine/effects/motion_blur.h"
#include "engine/effects/ripple.h"
#include "engine/effects/swirl.h"
#include "engine/effects/wave.h"

using namespace ximora::engine;
using namespace ximora::engine::testing;

namespace {

// Dark left half, light right half (grey values 40 and 200).
Image step(int width, int height) {
    Image image = flat(width, height, {40, 40, 40, 255});
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x)
            for (int c = 0; c < 3; ++c) image.row(y)[x * 3 + c] = 200;
    return image;
}

// Stripes that change along one axis only.
Image stripes(int width, int height, bool vertical) {
    Image image = photo(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                image.row(y)[x * 3 + c] = vertical ? image.row(0)[x * 3 + c] : image.row(y)[c];
    return image;
}

}  // namespace

TEST(EffectResults, EmbossLightsSlopesFacingTheLightAndFlatPartsTakeTheBackground) {
    Image flatImage = flat(9, 7, {10, 200, 30, 255});
    ASSERT_TRUE(emboss(flatImage, Area::whole(), {5, 5, 77}));
    EXPECT_TRUE(sameRaster(flatImage, flat(9, 7, {77, 77, 77, 255})));

    // A step up to the right faces light from the left (mask 7) and turns from light on the right
    // (mask 3); emphasis 1 moves it by the step height 160.
    Image lit = step(10, 5), unlit = step(10, 5);
    ASSERT_TRUE(emboss(lit, Area::whole(), {7, 1, 100}));
    ASSERT_TRUE(emboss(unlit, Area::whole(), {3, 1, 100}));
    EXPECT_EQ(lit.pixel(5, 2).r, 255);  // 100 + 160 clamps
    EXPECT_EQ(unlit.pixel(5, 2).r, 0);
    EXPECT_EQ(lit.pixel(1, 2).r, 100);
    Image vertical = step(10, 5);
    ASSERT_TRUE(emboss(vertical, Area::whole(), {1, 1, 100}));  // light from the top: no slope
    EXPECT_EQ(vertical.pixel(5, 2).r, 100);

    // Light from opposite sides gives the negative relief about the background.
    const Image gentle = photo(30, 20);
    for (int d = 0; d < 4; ++d) {
        Image one = gentle, other = gentle;
        ASSERT_TRUE(emboss(one, Area::whole(), {d, 1, 128}));
        ASSERT_TRUE(emboss(other, Area::whole(), {d + 4, 1, 128}));
        EXPECT_GT(meanDifference(one, other), 1.0) << d;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) {
                const int a = one.pixel(x, y).r, b = other.pixel(x, y).r;
                if (a > 0 && a < 255 && b > 0 && b < 255) {
                    EXPECT_EQ(a + b, 256) << d;
                }
            }
    }
}

TEST(EffectResults, MosaicBlocksTakeTheirRoundedMean) {
    Image image = flat(5, 3, {0, 0, 0, 255});
    const uint8_t values[3][5] = {{0, 10, 20, 30, 40}, {1, 2, 3, 4, 5}, {100, 100, 100, 100, 7}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) image.row(y)[x * 3] = values[y][x];
    ASSERT_TRUE(mosaic(image, Area::whole(), {2, 2}));
    // Blocks (0-1, 0-1), (2-3, 0-1), (4, 0-1) and the shorter last row of blocks.
    const uint8_t expect[3][5] = {{3, 3, 14, 14, 23}, {3, 3, 14, 14, 23}, {100, 100, 100, 100, 7}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(image.pixel(x, y).r, expect[y][x]) << x << "," << y;
}

TEST(EffectResults, ContourDrawsEdgesOfTheChosenPlaneOnBlack) {
    Image image = step(8, 4);
    ASSERT_TRUE(contour(image, Area::whole(), {0, 0, 10}));
    for (int x = 0; x < 8; ++x) EXPECT_EQ(image.pixel(x, 1).r, x == 3 ? 160 : 0) << x;

    // A step in red alone leaves the blue plane without edges.
    Image red = flat(8, 4, {0, 0, 0, 255});
    for (int y = 0; y < 4; ++y) red.row(y)[6 * 3] = 90;
    Image blue = red;
    ASSERT_TRUE(contour(red, Area::whole(), {1, 2, 20}));
    ASSERT_TRUE(contour(blue, Area::whole(), {3, 2, 20}));
    EXPECT_GT(red.pixel(5, 1).r, 0);
    EXPECT_TRUE(sameRaster(blue, flat(8, 4, {0, 0, 0, 255})));
}

TEST(EffectResults, DistortionsMoveAlongTheirOwnDirectionOnly) {
    // A horizontal wave shifts pixels up and down: columns of one colour stay as they are.
    const Image columns = stripes(50, 40, true), rows = stripes(50, 40, false);
    Image image = columns;
    ASSERT_TRUE(wave(image, Area::whole(), {0, 0, 13, 6, 0.25, 1}));
    EXPECT_TRUE(sameRaster(image, columns));
    image = columns;
    ASSERT_TRUE(wave(image, Area::whole(), {1, 1, 13, 6, 0.25, 0}));
    EXPECT_GT(meanDifference(image, columns), 1.0);
    image = rows;
    ASSERT_TRUE(motionBlur(image, Area::whole(), {0, 25, 180}));
    EXPECT_TRUE(sameRaster(image, rows));
    image = columns;
    ASSERT_TRUE(motionBlur(image, Area::whole(), {0, 25, -270}));
    EXPECT_TRUE(sameRaster(image, columns));

    // Moving pixels of one colour around gives that colour back.
    const Image plain = flat(30, 20, {9, 99, 199, 255});
    for (const NamedEffect& e : menuEffects()) {
        if (e.name == "emboss" || e.name == "contour" || e.name == "canvas") continue;
        image = plain;
        ASSERT_TRUE(e.apply(image, Area::whole()));
        EXPECT_TRUE(sameRaster(image, plain)) << e.name;
    }
}

TEST(EffectResults, SwirlAndLensKeepToTheirEllipse) {
    const Image before = photo(61, 41);
    Image swirled = before, lensed = before, filled = before;
    ASSERT_TRUE(swirl(swirled, Area::whole(), {200, 1.0, 1.0}));
    ASSERT_TRUE(lens(lensed, Area::whole(), {4.0, false, {}}));
    ASSERT_TRUE(lens(filled, Area::whole(), {4.0, true, {1, 2, 3, 255}}));
    for (auto [x, y] : {std::pair{0, 0}, {60, 0}, {0, 40}, {60, 40}, {3, 2}}) {
        EXPECT_EQ(swirled.pixel(x, y), before.pixel(x, y));
        EXPECT_EQ(lensed.pixel(x, y), before.pixel(x, y));
        EXPECT_EQ(filled.pixel(x, y), (Colour{1, 2, 3, 255}));
    }
    // The middle of a lens shows the middle of the picture, enlarged.
    EXPECT_EQ(lensed.pixel(30, 20), before.pixel(30, 20));
    EXPECT_GT(meanDifference(swirled, before), 1.0);

    // Inside a selection the lens centres on the selection, not on the image.
    Image part = before;
    ASSERT_TRUE(lens(part, Area::inside({{40, 0}, {59, 0}, {59, 19}, {40, 19}}), {4.0, true}));
    EXPECT_EQ(part.pixel(49, 9), before.pixel(49, 9));
    EXPECT_NE(part.pixel(50, 10), before.pixel(50, 10));
    EXPECT_EQ(part.pixel(40, 0), (Colour{255, 255, 255, 255}));
}

TEST(EffectResults, CanvasRepeatsEveryEightPixelsAndFollowsTheLight) {
    Image image = flat(24, 24, {128, 128, 128, 255});
    ASSERT_TRUE(canvas(image, Area::whole(), {0, 100}));
    int lightest = 0, darkest = 255;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(image.pixel(x, y), image.pixel(x + 8, y + 8));
            lightest = std::max(lightest, int(image.pixel(x, y).r));
            darkest = std::min(darkest, int(image.pixel(x, y).r));
        }
    EXPECT_EQ(lightest, 178);  // depth / 2 either way
    EXPECT_EQ(darkest, 78);
    // Light from the opposite corner swaps light and shade.
    Image opposite = flat(24, 24, {128, 128, 128, 255});
    ASSERT_TRUE(canvas(opposite, Area::whole(), {2, 100}));
    for (int x = 0; x < 8; ++x) EXPECT_EQ(opposite.pixel(x, 3).r, 256 - image.pixel(x, 3).r);
}

TEST(EffectResults, RippleRingsAreRoundAboutTheCentre) {
    // Points at the same distance from the centre of a square picture move alike: the result is
    // symmetric under a quarter turn about the centre.
    Image image = photo(41, 41);
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) {
            const auto v = uint8_t((x - 20) * (x - 20) + (y - 20) * (y - 20));
            for (int c = 0; c < 3; ++c) image.row(y)[x * 3 + c] = v;
        }
    const Image before = image;
    ASSERT_TRUE(ripple(image, Area::whole(), {60, 15, 0.3, 0.5, true}));
    EXPECT_GT(meanDifference(image, before), 1.0);
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) EXPECT_NEAR(image.pixel(x, y).r, image.pixel(40 - y, x).r, 1);

    // The echo from the rim never cancels the rings, whatever the phase.
    for (double phase : {0.0, 0.25, 0.5}) {
        Image echoed = photo(60, 60);
        ASSERT_TRUE(ripple(echoed, Area::whole(), {20.0, 10.0, phase, 0, true}));
        EXPECT_GT(meanDifference(echoed, photo(60, 60)), 1.0) << phase;
    }
}
