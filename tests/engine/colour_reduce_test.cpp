#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/colour/colour_reduce.h"
#include "engine/colour/fixed_palettes.h"
#include "engine/colour/palette_mapper.h"
#include "engine/core/error.h"
#include "op_test_images.h"

using namespace ximora::engine;
using ximora::engine::test::randomImage;

namespace {

// Smooth colour fields with a little noise: many distinct colours, like a photo.
Image photoLike(int width, int height) {
    Image image;
    image.allocate(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.row(y) + 3 * x;
            p[0] = uint8_t(128 + 100 * std::sin(x * 0.05) + (x * y) % 7);
            p[1] = uint8_t(128 + 100 * std::cos(y * 0.07) + (x + y) % 5);
            p[2] = uint8_t((x * 255) / width);
        }
    return image;
}

Image reduced(Image image, int code, bool fixed = false, bool diffuse = false,
              int threshold = 128) {
    ColourReduction params{code, fixed, diffuse, threshold};
    EXPECT_TRUE(reduceColours(image, params)) << code << " " << lastError();
    return image;
}

int luma(const Colour& c) { return (c.r * 299 + c.g * 587 + c.b * 114 + 500) / 1000; }

}  // namespace

TEST(ColourReduce, EveryCodeGivesItsDepthPaletteAndFlag) {
    struct Expect {
        int code, bits;
        bool grey;
        size_t maxPalette;
    };
    const Expect cases[] = {{1, 1, false, 2},   {4, 4, false, 16},  {40, 4, true, 16},
                            {8, 8, false, 256}, {80, 8, true, 256}, {16, 16, false, 0},
                            {24, 24, false, 0}, {32, 32, false, 0}};
    const Image source = photoLike(64, 48);
    for (const Expect& e : cases)
        for (bool diffuse : {false, true}) {
            Image image = source;
            image.dpiX = 300, image.comment = "kept";
            image = reduced(image, e.code, false, diffuse);
            EXPECT_EQ(image.bitsPerPixel(), e.bits) << e.code;
            EXPECT_EQ(image.grey(), e.grey) << e.code;
            EXPECT_EQ(image.colourCode(), e.code == 1 ? 1 : e.code);
            EXPECT_LE(image.palette.size(), e.maxPalette);
            EXPECT_EQ(image.dpiX, 300);
            EXPECT_EQ(image.comment, "kept");
            for (int y = 0; y < image.height() && e.bits <= 8; ++y)
                for (int x = 0; x < image.width(); ++x)
                    ASSERT_LT(image.row(y)[x], image.palette.size());
        }
}

TEST(ColourReduce, ThresholdSplitsByLuminance) {
    Image image;
    image.allocate(3, 1, 24);
    const uint8_t pixels[] = {100, 100, 100, 101, 101, 101, 255, 0, 0};  // red: luminance 76
    std::copy(pixels, pixels + 9, image.row(0));
    const Image bw = reduced(image, 1, false, false, 101);
    EXPECT_EQ(bw.pixel(0, 0), (Colour{0, 0, 0, 255}));
    EXPECT_EQ(bw.pixel(1, 0), (Colour{255, 255, 255, 255}));
    EXPECT_EQ(bw.pixel(2, 0), (Colour{0, 0, 0, 255}));
    const Image allWhite = reduced(image, 1, false, false, 0);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(allWhite.pixel(x, 0).r, 255);

    // The luminance is compared as the grey level it rounds to: 127.515 is level 128 (white at
    // a threshold of 128, as in other tools), 127.401 is level 127 (black).
    const uint8_t nearHalf[] = {113, 142, 91, 113, 142, 90, 128, 128, 128};
    std::copy(nearHalf, nearHalf + 9, image.row(0));
    const Image split = reduced(image, 1, false, false, 128);
    EXPECT_EQ(split.pixel(0, 0).r, 255);
    EXPECT_EQ(split.pixel(1, 0).r, 0);
    EXPECT_EQ(split.pixel(2, 0).r, 255);
}

TEST(ColourReduce, ErrorDiffusionKeepsTheAverageTone) {
    // A flat 30 % grey becomes about 30 % white pixels with diffusion, in every band of rows,
    // and all black without.
    const int width = 32, height = 1100;
    Image image;
    image.allocate(width, height, 24);
    std::fill(image.data(), image.data() + image.byteCount(), uint8_t(77));
    const Image dithered = reduced(image, 1, false, true);
    for (int y0 : {0, 500, 1000}) {
        int white = 0;
        for (int y = y0; y < y0 + 64; ++y)
            for (int x = 0; x < width; ++x) white += dithered.pixel(x, y).r == 255;
        EXPECT_NEAR(white / double(64 * width), 77 / 255.0, 0.02) << y0;
    }
    const Image plain = reduced(image, 1);
    EXPECT_EQ(plain.pixel(10, 10).r, 0);
}

TEST(ColourReduce, GreyLevelsFollowLuminance) {
    const Image source = photoLike(16, 16);
    const Image grey80 = reduced(source, 80);
    const Image grey40 = reduced(source, 40);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int y8 = luma(source.pixel(x, y));
            EXPECT_EQ(grey80.pixel(x, y).r, y8);
            EXPECT_EQ(grey40.pixel(x, y).r, (y8 * 15 + 127) / 255 * 17);
        }
    // The editor reaches 40 in two steps: 80, then 4 on the grey image.
    const Image twoSteps = reduced(grey80, 4);
    EXPECT_EQ(twoSteps.colourCode(), 40);
    EXPECT_EQ(twoSteps.palette, greyPalette(4));
}

TEST(ColourReduce, DiffusedGreyIsTheLuminanceInEveryRow) {
    // A flat colour whose luminance is a grey level exactly: every pixel is that level, in
    // every row of a picture taller than any band of rows.
    Image image;
    image.allocate(600, 1100, 24);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            uint8_t* p = image.row(y) + 3 * x;
            p[0] = 17, p[1] = 54, p[2] = 11;
        }
    const Image grey = reduced(image, 80, false, true);
    for (int y = 0; y < grey.height(); ++y)
        for (int x : {0, 299, 599}) ASSERT_EQ(grey.pixel(x, y).r, 38) << x << "," << y;
}

TEST(ColourReduce, NoRowOfADiffusedPictureStartsAfresh) {
    // Were the rows from 512 on diffused on their own, they would match the reduction of the
    // picture cut there; carried error makes them differ. Each code that leaves an error
    // (256 grey levels hold every luminance exactly), fixed and adaptive.
    const Image source = photoLike(64, 1100);
    for (int code : {1, 40, 4, 8, 16})
        for (bool fixed : {false, true}) {
            if (fixed && code != 4 && code != 8) continue;
            const Image whole = reduced(source, code, fixed, true);
            for (int cut : {512, 1024}) {
                Image lower;
                ASSERT_TRUE(lower.allocate(64, 1100 - cut, 24));
                for (int y = cut; y < 1100; ++y)
                    std::memcpy(lower.row(y - cut), source.row(y), 64 * 3);
                const Image fresh = reduced(lower, code, fixed, true);
                int same = 0;
                for (int y = 0; y < 4; ++y)
                    same += std::memcmp(fresh.row(y), whole.row(y + cut),
                                        size_t(64 * fresh.bitsPerPixel() + 7) / 8) == 0;
                EXPECT_LT(same, 4) << code << (fixed ? " fixed" : "") << " at row " << cut;
            }
        }
}

TEST(ColourReduce, FixedPalettesAreUsedAsGiven) {
    const Image source = photoLike(32, 32);
    EXPECT_EQ(reduced(source, 4, true).palette, standard16Palette());
    EXPECT_EQ(reduced(source, 8, true).palette, uniform256Palette());
    // A pure palette colour maps to itself.
    Image red;
    red.allocate(2, 2, 24);
    for (int i = 0; i < 4; ++i)
        red.data()[i * 3] = 255, red.data()[i * 3 + 1] = 0, red.data()[i * 3 + 2] = 0;
    for (int i = 0; i < 2; ++i) red.row(i)[3] = 255, red.row(i)[4] = 0, red.row(i)[5] = 0;
    EXPECT_EQ(reduced(red, 4, true).pixel(0, 0), (Colour{255, 0, 0, 255}));
}

TEST(ColourReduce, FewColoursAreKeptExactly) {
    for (int bits : {1, 4, 8}) {
        Image image = randomImage(20, 9, bits, 1 << std::min(bits, 4));
        Image rgb = reduced(image, 24);
        for (int code : {4, 8}) {
            const Image back = reduced(rgb, code);
            EXPECT_EQ(meanColourError(back, rgb), 0.0) << bits << " " << code;
        }
    }
}

TEST(ColourReduce, AdaptivePaletteBeatsTheUniformOne) {
    const Image source = photoLike(96, 64);
    for (int code : {4, 8}) {
        const double adaptive = meanColourError(source, reduced(source, code));
        const double fixed = meanColourError(source, reduced(source, code, true));
        EXPECT_LT(adaptive, fixed * 0.8) << code;
    }
    EXPECT_LT(meanColourError(source, reduced(source, 8)), 8.0);
}

TEST(ColourReduce, SixteenAndThirtyTwoBits) {
    Image image;
    image.allocate(1, 1, 24);
    image.data()[0] = 255, image.data()[1] = 130, image.data()[2] = 4;
    const Image rgb565 = reduced(image, 16);
    uint16_t v;
    std::memcpy(&v, rgb565.data(), 2);
    EXPECT_EQ(v, (31 << 11) | (32 << 5) | 0);
    EXPECT_EQ(reduced(image, 32).pixel(0, 0), (Colour{255, 130, 4, 255}));
}

TEST(ColourReduce, BadRequestsChangeNothing) {
    Image image = randomImage(4, 4, 24);
    const Image before = image;
    EXPECT_FALSE(reduceColours(image, {7, false, false, 128}));
    EXPECT_EQ(lastError(), kErrBadParameter);
    EXPECT_FALSE(reduceColours(image, {1, false, false, 256}));
    EXPECT_EQ(lastError(), kErrBadParameter);
    EXPECT_EQ(meanColourError(before, image), 0.0);
    Image empty;
    EXPECT_FALSE(reduceColours(empty, {8, false, false, 128}));
    EXPECT_EQ(lastError(), kErrNoImage);
}

TEST(PaletteMapper, FindsTheExactNearestEntry) {
    const std::vector<Colour> palette = uniform256Palette();
    const PaletteMapper mapper(palette);
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 7)
            for (int b = 0; b < 256; b += 11) {
                int best = INT32_MAX;
                for (const Colour& c : palette)
                    best = std::min(best, (r - c.r) * (r - c.r) + (g - c.g) * (g - c.g) +
                                              (b - c.b) * (b - c.b));
                const Colour& got = palette[mapper.nearest(r, g, b)];
                ASSERT_EQ((r - got.r) * (r - got.r) + (g - got.g) * (g - got.g) +
                              (b - got.b) * (b - got.b),
                          best);
            }
}
