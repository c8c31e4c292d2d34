// Tone and colour operations: exact results where there is one right answer, computed here
// independently from the pixel colours.
#include <algorithm>

#include "engine/core/error.h"
#include "engine/ops/pick_colour.h"
#include "engine/ops/samples.h"
#include "engine/ops/tone.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

uint8_t clampByte(int v) { return uint8_t(std::clamp(v, 0, 255)); }

// The colour a 16-bit pixel holds after storing an 8-bit colour.
Colour through565(Colour c) { return unpackRgb565(packRgb565(c.r, c.g, c.b)); }

}  // namespace

TEST(Brightness, AddsToEachChannelAndClampsAtEveryDirectDepth) {
    for (const Depth& depth : {Depth{16, false}, Depth{24, false}, Depth{32, false}}) {
        SCOPED_TRACE(depth.name());
        const Image before = makeImage(19, 7, depth);
        Image after = before;
        ASSERT_TRUE(adjustBrightness(after, Area::whole(), {100, -60, 255}));
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x) {
                const Colour c = before.pixel(x, y);
                Colour expected{clampByte(c.r + 100), clampByte(c.g - 60), clampByte(c.b + 255),
                                c.a};
                if (depth.bits == 16) expected = through565(expected);
                ASSERT_EQ(after.pixel(x, y), expected) << x << "," << y;
            }
    }
}

TEST(Brightness, OnAPaletteImageChangesTheEntriesAndKeepsTheIndexes) {
    const Image before = makeImage(9, 5, {8, false});
    Image after = before;
    ASSERT_TRUE(adjustBrightness(after, Area::whole(), {-255, 0, 20}));
    EXPECT_EQ(after.bitsPerPixel(), 8);
    ASSERT_EQ(after.palette.size(), before.palette.size());
    for (size_t i = 0; i < before.palette.size(); ++i) {
        const Colour c = before.palette[i];
        EXPECT_EQ(after.palette[i], (Colour{0, c.g, clampByte(c.b + 20), 255}));
    }
    for (int y = 0; y < 5; ++y) EXPECT_EQ(pixelBytes(after, 3, y), pixelBytes(before, 3, y));
}

TEST(Brightness, ValuesOutsideTheRangeAreRefusedAndChangeNothing) {
    const Image before = makeImage(4, 4, {24, false});
    Image after = before;
    EXPECT_FALSE(adjustBrightness(after, Area::whole(), {256, 0, 0}));
    EXPECT_EQ(lastError(), kErrBadParameter);
    EXPECT_FALSE(adjustBrightness(after, Area::whole(), {0, 0, -256}));
    EXPECT_TRUE(sameImage(after, before));
}

TEST(Inversion, InvertsOnlyTheChosenChannelsAndTwiceRestores) {
    for (const Depth& depth : allDepths()) {
        SCOPED_TRACE(depth.name());
        const Image before = makeImage(11, 6, depth);
        Image after = before;
        ASSERT_TRUE(invertChannels(after, Area::whole(), {false, true, true}));
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x) {
                const Colour c = before.pixel(x, y);
                Colour expected{c.r, uint8_t(255 - c.g), uint8_t(255 - c.b), c.a};
                if (depth.bits == 16) expected = through565(expected);
                ASSERT_EQ(after.pixel(x, y), expected);
            }
        ASSERT_TRUE(invertChannels(after, Area::whole(), {false, true, true}));
        EXPECT_TRUE(sameColours(after, before));
        EXPECT_EQ(after.bitsPerPixel(), depth.bits);
    }
}

TEST(Inversion, NoChannelChangesNothingAndOneChannelEndsTheGreyFlag) {
    Image grey = makeImage(8, 8, {8, true});
    const Image before = grey;
    ASSERT_TRUE(invertChannels(grey, Area::whole(), {false, false, false}));
    EXPECT_TRUE(sameImage(grey, before));
    EXPECT_TRUE(grey.grey());
    // The highlighter: blue only, white becomes yellow, and the image is no longer grey.
    ASSERT_TRUE(invertChannels(grey, Area::whole(), {false, false, true}));
    EXPECT_FALSE(grey.grey());
    EXPECT_EQ(grey.colourCode(), 8);
    ASSERT_TRUE(invertChannels(grey, Area::whole(), {true, true, true}));
}

TEST(Inversion, InsideAPolygonOfAFullPaletteUsesTheNearestEntries) {
    // A 1-bit black and white image: inverting inside finds both colours already there.
    Image bw;
    ASSERT_TRUE(bw.allocateZeroed(6, 4, 1));
    bw.palette = {Colour{0, 0, 0, 255}, Colour{255, 255, 255, 255}};
    ASSERT_TRUE(invertChannels(bw, Area::inside(rangePolygon(0, 0, 3, 4)), {}));
    EXPECT_EQ(bw.palette.size(), 2u);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(bw.row(y)[x], x < 3 ? 1 : 0);
}

TEST(Saturation, MinusOneHundredGivesGreyAndZeroChangesNothing) {
    const Image before = makeImage(17, 9, {24, false});
    Image neutral = before, grey = before;
    ASSERT_TRUE(adjustSaturation(neutral, Area::whole(), {0}));
    EXPECT_TRUE(sameImage(neutral, before));
    ASSERT_TRUE(adjustSaturation(grey, Area::whole(), {-100}));
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            const Colour c = before.pixel(x, y);
            const uint8_t l = uint8_t((77 * c.r + 150 * c.g + 29 * c.b + 128) >> 8);
            ASSERT_EQ(grey.pixel(x, y), (Colour{l, l, l, 255}));
        }
}

TEST(Saturation, StrongerLevelsMoveColoursFurtherFromGrey) {
    const Image before = makeImage(17, 9, {24, false});
    int64_t previous = 0;
    for (int level : {-60, 100, 200, 1000}) {
        Image after = before;
        ASSERT_TRUE(adjustSaturation(after, Area::whole(), {level}));
        const int64_t d = colourDistance(after, before);
        EXPECT_GT(d, 0) << level;
        if (level > 0) {
            EXPECT_GT(d, previous) << level;
            previous = d;
        }
    }
    Image out = before;
    EXPECT_FALSE(adjustSaturation(out, Area::whole(), {1001}));
    EXPECT_FALSE(adjustSaturation(out, Area::whole(), {-101}));
    EXPECT_TRUE(sameImage(out, before));
}

TEST(Saturation, LeavesGreyImagesGrey) {
    Image grey = makeImage(8, 8, {4, true});
    const Image before = grey;
    ASSERT_TRUE(adjustSaturation(grey, Area::whole(), {200}));
    EXPECT_TRUE(sameImage(grey, before));
    EXPECT_EQ(grey.colourCode(), 40);
}

TEST(ToneCurve, TableRunsThroughThePointsWithoutOvershoot) {
    std::array<uint8_t, 256> t;
    ASSERT_TRUE(toneCurveTable({0, 64, 128, 192, 255}, {0, 30, 128, 225, 255}, t));
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[64], 30);
    EXPECT_EQ(t[128], 128);
    EXPECT_EQ(t[192], 225);
    EXPECT_EQ(t[255], 255);
    for (int v = 1; v < 256; ++v) EXPECT_GE(t[size_t(v)], t[size_t(v - 1)]) << v;
    // Identity points give the identity; inputs all at 0 (a centre of −100) too.
    ASSERT_TRUE(toneCurveTable({0, 64, 128, 192, 255}, {0, 64, 128, 192, 255}, t));
    for (int v = 0; v < 256; ++v) EXPECT_EQ(t[size_t(v)], v);
    ASSERT_TRUE(toneCurveTable({0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, t));
    for (int v = 0; v < 256; ++v) EXPECT_EQ(t[size_t(v)], v);
    // Points over the upper half only leave the lower half unchanged.
    ASSERT_TRUE(toneCurveTable({128, 160, 192, 224, 255}, {128, 150, 192, 235, 255}, t));
    for (int v = 0; v <= 128; ++v) EXPECT_EQ(t[size_t(v)], v);
    EXPECT_FALSE(toneCurveTable({0, 64, 128, 192, 256}, {0, 64, 128, 192, 255}, t));
}

TEST(ToneCurve, RgbAppliesTheTableToTheChosenChannels) {
    const Image before = makeImage(13, 8, {32, false});
    Image after = before;
    const ToneCurveParams params{
        {0, 64, 128, 192, 255}, {0, 30, 128, 225, 255}, ToneSpace::Rgb, {true, false, true}};
    ASSERT_TRUE(applyToneCurve(after, Area::whole(), params));
    std::array<uint8_t, 256> t;
    ASSERT_TRUE(toneCurveTable(params.inputs, params.outputs, t));
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            const Colour c = before.pixel(x, y);
            ASSERT_EQ(after.pixel(x, y), (Colour{t[c.r], c.g, t[c.b], c.a}));
        }
}

TEST(ToneCurve, NeutralCurvesChangeNothingInEitherSpace) {
    const Image before = makeImage(13, 8, {24, false});
    for (ToneSpace space : {ToneSpace::Rgb, ToneSpace::YCrCb}) {
        Image after = before;
        ASSERT_TRUE(applyToneCurve(
            after, Area::whole(),
            {{0, 64, 128, 192, 255}, {0, 64, 128, 192, 255}, space, {true, true, true}}));
        EXPECT_TRUE(sameImage(after, before));
        ASSERT_TRUE(applyToneCurve(
            after, Area::whole(),
            {{0, 64, 128, 192, 255}, {0, 30, 128, 225, 255}, space, {false, false, false}}));
        EXPECT_TRUE(sameImage(after, before));
    }
}

TEST(ToneCurve, YChannelAloneKeepsGreyPixelsGreyAndRaisesContrast) {
    Image image;
    ASSERT_TRUE(image.allocate(3, 1, 24));
    const uint8_t levels[3] = {64, 128, 192};
    for (int x = 0; x < 3; ++x)
        image.row(0)[x * 3] = image.row(0)[x * 3 + 1] = image.row(0)[x * 3 + 2] = levels[x];
    ASSERT_TRUE(applyToneCurve(
        image, Area::whole(),
        {{0, 64, 128, 192, 255}, {0, 30, 128, 225, 255}, ToneSpace::YCrCb, {true, false, false}}));
    EXPECT_EQ(image.pixel(0, 0), (Colour{30, 30, 30, 255}));
    EXPECT_EQ(image.pixel(1, 0), (Colour{128, 128, 128, 255}));
    EXPECT_EQ(image.pixel(2, 0), (Colour{225, 225, 225, 255}));
}

TEST(Fill, PaintsTheAreaInTheImagesOwnLayout) {
    Image rgba = makeImage(10, 10, {32, false});
    ASSERT_TRUE(fillArea(rgba, Area::inside(rangePolygon(2, 2, 5, 4)), Colour{1, 2, 3, 4}));
    EXPECT_EQ(rgba.pixel(2, 2), (Colour{1, 2, 3, 4}));
    EXPECT_EQ(rgba.pixel(4, 3), (Colour{1, 2, 3, 4}));
    EXPECT_NE(rgba.pixel(5, 3), (Colour{1, 2, 3, 4}));
    Image grey;
    ASSERT_TRUE(grey.allocateZeroed(4, 4, 4, true));
    grey.palette = greyPalette(4);
    ASSERT_TRUE(fillArea(grey, Area::inside(rangePolygon(0, 0, 2, 2)), Colour{255, 255, 255, 255}));
    EXPECT_EQ(grey.row(0)[0], 15);
    EXPECT_EQ(grey.row(3)[3], 0);
    EXPECT_TRUE(grey.grey());
}

TEST(PickColour, ReadsThePixelAtEveryDepthAndRefusesPointsOutside) {
    for (const Depth& depth : allDepths()) {
        const Image image = makeImage(5, 4, depth);
        Colour c;
        ASSERT_TRUE(pickColour(image, 4, 3, c));
        EXPECT_EQ(c, image.pixel(4, 3));
        Colour untouched{1, 2, 3, 4};
        EXPECT_FALSE(pickColour(image, 5, 0, untouched));
        EXPECT_EQ(lastError(), kErrBadParameter);
        EXPECT_FALSE(pickColour(image, 0, -1, untouched));
        EXPECT_EQ(untouched, (Colour{1, 2, 3, 4}));
    }
}
