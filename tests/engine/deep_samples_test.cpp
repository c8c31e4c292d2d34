// 16-bit samples kept beside the 8-bit raster: they follow the moves that only rearrange pixels,
// are left behind by any change of a pixel, and PNG and TIFF write them back at 16 bits.
#include <gtest/gtest.h>

#include "codec_test_io.h"
#include "engine/codecs/png/png_codec.h"
#include "engine/codecs/registry.h"
#include "engine/codecs/tiff/tiff_codec.h"
#include "engine/core/deep_samples.h"
#include "engine/geometry/geometry.h"
#include "engine/io/byte_source.h"

using namespace ximora::engine;

namespace {

uint16_t sample(int x, int y, int c) { return uint16_t(x * 4099 + y * 257 + c * 1031 + 3); }

// A picture of `channels` (1 grey, 3, 4) with deep samples whose narrowing is its raster.
Image deepPicture(int w, int h, int channels) {
    Image image;
    const int bits = channels == 1 ? 8 : channels * 8;
    EXPECT_TRUE(image.allocate(w, h, bits, channels == 1));
    if (channels == 1) image.palette = greyPalette(8);
    auto deep = makeDeepSamples(w, h, channels, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c) {
                deep->row(y)[x * channels + c] = sample(x, y, c);
                image.row(y)[x * channels + c] = uint8_t(sample(x, y, c) >> 8);
            }
    attachDeepSamples(image, std::move(deep));
    return image;
}

// The sample of the moved picture at (x, y), computed from where the move took it from.
void expectSamples(const Image& image, int channels, int w, int h,
                   void (*from)(int x, int y, int w, int h, int& sx, int& sy)) {
    const DeepSamples* deep = currentDeepSamples(image);
    ASSERT_NE(deep, nullptr);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            int sx, sy;
            from(x, y, w, h, sx, sy);
            for (int c = 0; c < channels; ++c)
                ASSERT_EQ(deep->row(y)[x * channels + c], sample(sx, sy, c)) << x << "," << y;
        }
}

}  // namespace

TEST(DeepSamples, FollowEveryMoveThatOnlyRearrangesPixels) {
    constexpr int w = 7, h = 5;
    for (int channels : {1, 3, 4}) {
        SCOPED_TRACE(channels);
        Image image = deepPicture(w, h, channels);
        ASSERT_TRUE(turn(image, 3));  // right
        expectSamples(image, channels, w, h,
                      [](int x, int y, int, int h0, int& sx, int& sy) { sx = y, sy = h0 - 1 - x; });
        image = deepPicture(w, h, channels);
        ASSERT_TRUE(turn(image, 1));  // left
        expectSamples(image, channels, w, h,
                      [](int x, int y, int w0, int, int& sx, int& sy) { sx = w0 - 1 - y, sy = x; });
        image = deepPicture(w, h, channels);
        ASSERT_TRUE(turn(image, 2));
        expectSamples(image, channels, w, h, [](int x, int y, int w0, int h0, int& sx, int& sy) {
            sx = w0 - 1 - x, sy = h0 - 1 - y;
        });
        image = deepPicture(w, h, channels);
        ASSERT_TRUE(flipHorizontal(image));
        expectSamples(image, channels, w, h,
                      [](int x, int y, int w0, int, int& sx, int& sy) { sx = w0 - 1 - x, sy = y; });
        image = deepPicture(w, h, channels);
        ASSERT_TRUE(flipVertical(image));
        expectSamples(image, channels, w, h,
                      [](int x, int y, int, int h0, int& sx, int& sy) { sx = x, sy = h0 - 1 - y; });
        image = deepPicture(w, h, channels);
        ASSERT_TRUE(trim(image, {2, 1, 6, 4}));
        EXPECT_EQ(image.width(), 4);
        expectSamples(image, channels, w, h,
                      [](int x, int y, int, int, int& sx, int& sy) { sx = x + 2, sy = y + 1; });
    }
}

TEST(DeepSamples, AnyChangedPixelLeavesThemBehind) {
    Image image = deepPicture(6, 4, 3);
    ASSERT_NE(currentDeepSamples(image), nullptr);
    Image copy = image;  // copies share them and stay current
    EXPECT_NE(currentDeepSamples(copy), nullptr);
    copy.row(2)[4] ^= 1;
    EXPECT_EQ(currentDeepSamples(copy), nullptr);
    EXPECT_NE(currentDeepSamples(image), nullptr);
    ASSERT_TRUE(copy.allocate(6, 4, 24));  // a new raster has none
    EXPECT_EQ(copy.deep, nullptr);
    // A grey picture's edit may change only its palette.
    Image grey = deepPicture(6, 4, 1);
    ASSERT_NE(currentDeepSamples(grey), nullptr);
    grey.palette[10] = Colour{30, 30, 30, 255};
    EXPECT_EQ(currentDeepSamples(grey), nullptr);
}

TEST(DeepSamples, PngAndTiffWriteThemAndReadThemBack) {
    for (int channels : {1, 3, 4})
        for (int format : {kSavePng, kSaveTiff, kSaveTiffLzw}) {
            SCOPED_TRACE(std::to_string(channels) + " " + std::to_string(format));
            const Image image = deepPicture(9, 6, channels);
            std::vector<uint8_t> bytes;
            ASSERT_TRUE(encodeImage(image, {.format = format}, bytes));
            MemorySource source(bytes.data(), bytes.size());
            ImageFacts facts;
            ASSERT_TRUE(readImageFacts(source, facts));
            EXPECT_EQ(facts.sampleBits, 16);
            Image back;
            ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), back));
            expectSamples(back, channels, 9, 6,
                          [](int x, int y, int, int, int& sx, int& sy) { sx = x, sy = y; });
            // The raster is the samples narrowed to the nearest 8-bit level.
            for (int c = 0; c < channels; ++c)
                EXPECT_EQ(back.row(3)[2 * channels + c],
                          uint8_t((uint32_t(sample(2, 3, c)) * 255 + 32767) / 65535));
            // A thumbnail's decode keeps none.
            Image small;
            ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), small,
                                            {.minSide = 0, .keepMetadata = false}));
            EXPECT_EQ(small.deep, nullptr);
        }
}
