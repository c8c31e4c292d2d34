#include <gtest/gtest.h>

#include "codec_test_io.h"
#include "engine/codecs/webp/webp_codec.h"
#include "engine/core/error.h"
#include "engine/io/byte_source.h"
#include "engine/metadata/exif.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

std::vector<uint8_t> encode(const Image& image, int format, int quality = 75) {
    return encodeWith(webpCodec(), image, {.format = format, .jpegQuality = quality});
}

Image decode(const std::vector<uint8_t>& bytes, int minSide = 0) {
    Image out;
    EXPECT_TRUE(decodeWith(webpCodec(), bytes, out, minSide)) << lastError();
    return out;
}

}  // namespace

// Lossless WebP keeps every colour of every depth; palettes and 16 bits come back as 24-bit
// RGB, alpha (also a palette's transparent entry) as 32-bit RGBA with the colours under fully
// transparent pixels kept. Quality 100 of the quality code writes losslessly as well.
TEST(WebpCodec, LosslessKeepsEveryColourAtEveryDepth) {
    for (const Depth& depth : allDepths())
        for (int format : {kSaveWebpLossless, kSaveWebp}) {
            SCOPED_TRACE(depth.name() + " format " + std::to_string(format));
            Image source = patternImage(37, 19, depth.bits, depth.grey);
            if (depth.bits == 8 && !depth.grey) source.palette[3].a = 0;
            if (depth.bits == 32) source.row(2)[3] = 0;  // transparent, with a colour under it
            const Image back = decode(encode(source, format, 100));
            const bool alpha = depth.bits == 32 || (depth.bits == 8 && !depth.grey);
            EXPECT_EQ(back.bitsPerPixel(), alpha ? 32 : 24);
            EXPECT_TRUE(sameColours(source, back));
        }
}

TEST(WebpCodec, LossyQualityTradesSizeForCloseness) {
    const Image noisy = makeImage(96, 64, {24, false});
    const std::vector<uint8_t> low = encode(noisy, kSaveWebp, 30);
    const std::vector<uint8_t> high = encode(noisy, kSaveWebp, 95);
    EXPECT_LT(low.size(), high.size());
    EXPECT_LT(high.size(), encode(noisy, kSaveWebpLossless).size());
    const Image source = smoothImage(96, 64);
    const Image back = decode(encode(source, kSaveWebp, 95));
    EXPECT_EQ(back.bitsPerPixel(), 24);
    EXPECT_LE(maxDifference(source, back), 12);

    std::vector<uint8_t> bytes;
    EXPECT_FALSE(webpCodec().encode(source, {.format = kSaveWebp, .jpegQuality = 0}, bytes));
    EXPECT_EQ(lastError(), kErrBadParameter);
    Image wide;
    ASSERT_TRUE(wide.allocateZeroed(16384, 1, 24));
    EXPECT_FALSE(webpCodec().encode(wide, {.format = kSaveWebpLossless}, bytes));
    EXPECT_EQ(lastError(), kErrNotApplicable);
}

// ICC (RGB only), EXIF and XMP go into chunks and come back; a grey profile cannot describe
// WebP's RGB and is left out.
TEST(WebpCodec, MetadataChunksSurvive) {
    Image source = patternImage(20, 10, 24);
    source.metadata.icc.assign(200, 7);
    std::copy_n("RGB ", 4, source.metadata.icc.begin() + 16);
    source.metadata.exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    source.metadata.xmp = {'<', 'x', '/', '>'};
    for (int format : {kSaveWebp, kSaveWebpLossless}) {
        const Image back = decode(encode(source, format, 80));
        EXPECT_EQ(back.metadata.icc, source.metadata.icc);
        EXPECT_EQ(back.metadata.exif, source.metadata.exif);
        EXPECT_EQ(back.metadata.xmp, source.metadata.xmp);
    }
    std::copy_n("GRAY", 4, source.metadata.icc.begin() + 16);
    EXPECT_TRUE(decode(encode(source, kSaveWebpLossless)).metadata.icc.empty());
}

// A camera's orientation in the EXIF chunk turns the picture upright, as in a JPEG: the
// facts, the picture (whole or reduced) and the stored EXIF, which then says upright.
TEST(WebpCodec, ExifOrientationTurnsThePicture) {
    Image source = patternImage(30, 12, 24);
    // Little-endian TIFF with one entry: Orientation (0x112), SHORT, 6 (turned a quarter).
    source.metadata.exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 1, 3,
                            0,   1,   0,  0, 0, 6, 0, 0, 0, 0, 0,    0, 0};
    ASSERT_EQ(exifOrientation(source.metadata.exif), 6);
    for (int format : {kSaveWebp, kSaveWebpLossless}) {
        const std::vector<uint8_t> bytes = encode(source, format, 90);
        const Image back = decode(bytes);
        EXPECT_EQ(back.width(), 12);
        EXPECT_EQ(back.height(), 30);
        EXPECT_EQ(exifOrientation(back.metadata.exif), 1);
        const Image reduced = decode(bytes, 6);
        EXPECT_LT(reduced.width(), reduced.height());
        MemorySource memory(bytes.data(), bytes.size());
        ImageFacts facts;
        ASSERT_TRUE(webpCodec().readFacts(memory, facts));
        EXPECT_EQ(facts.width, 12);
    }
}

// Thumbnails decode a reduced picture whose sides are still at least the asked size.
TEST(WebpCodec, ReducedDecodingKeepsBothSidesLargeEnough) {
    const std::vector<uint8_t> bytes = encode(smoothImage(400, 100), kSaveWebp, 80);
    const Image small = decode(bytes, 40);
    EXPECT_EQ(small.height(), 40);
    EXPECT_EQ(small.width(), 160);
    EXPECT_EQ(decode(bytes, 500).width(), 400);  // never enlarged
}
