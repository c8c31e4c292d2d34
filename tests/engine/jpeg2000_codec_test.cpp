#include <gtest/gtest.h>

#include "codec_test_io.h"
#include "engine/codecs/jpeg2000/jpeg2000_codec.h"
#include "engine/core/error.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

std::vector<uint8_t> encode(const Image& image, int format, int ratio = 0) {
    return encodeWith(jp2Codec(), image, {.format = format, .jpeg2000Ratio = ratio});
}

bool decode(const std::vector<uint8_t>& bytes, Image& out, int minSide = 0) {
    return decodeWith(jp2Codec(), bytes, out, minSide);
}

}  // namespace

TEST(Jpeg2000Codec, LosslessRoundTripsInBothContainers) {
    struct Case {
        int bits;
        bool grey;
        int readBits;
    };
    const Case cases[] = {
        {8, true, 8}, {4, false, 24}, {16, false, 24}, {24, false, 24}, {32, false, 32}};
    for (const Case& c : cases)
        for (int format : {kSaveJp2, kSaveJ2k}) {
            const Image source = patternImage(33, 21, c.bits, c.grey);
            const auto bytes = encode(source, format);
            EXPECT_TRUE(
                (format == kSaveJp2 ? jp2Codec() : j2kCodec()).matches(bytes.data(), bytes.size()));
            Image back;
            ASSERT_TRUE(decode(bytes, back)) << c.bits << " " << format << " " << lastError();
            EXPECT_EQ(back.bitsPerPixel(), c.readBits);
            EXPECT_TRUE(sameColours(source, back)) << c.bits << " " << format;
        }
}

TEST(Jpeg2000Codec, CompressionRatioShrinksTheFileAndStaysClose) {
    const Image source = smoothImage(128, 96);
    const auto lossless = encode(source, kSaveJ2k), lossy = encode(source, kSaveJ2k, 20);
    EXPECT_LT(lossy.size() * 4, lossless.size());
    Image back;
    ASSERT_TRUE(decode(lossy, back));
    EXPECT_LE(maxDifference(source, back), 24);
}

TEST(Jpeg2000Codec, ReducedResolutionKeepsBothSidesAtLeastTheMinimum) {
    const auto bytes = encode(smoothImage(256, 128), kSaveJp2);
    Image small;
    ASSERT_TRUE(decode(bytes, small, 30));
    EXPECT_EQ(small.width(), 64);  // two levels dropped: 64×32; a third would give 16 rows
    EXPECT_EQ(small.height(), 32);
}

TEST(Jpeg2000Codec, DamagedFilesFailCleanly) {
    const auto good = encode(smoothImage(64, 64), kSaveJ2k);
    Image kept = patternImage(3, 3, 24), out = kept;
    std::vector<uint8_t> truncated(good.begin(), good.begin() + long(good.size() / 2));
    EXPECT_FALSE(decode(truncated, out));
    EXPECT_EQ(lastError(), kErrCannotRead);

    std::vector<uint8_t> huge = good;  // SIZ: Xsiz and Ysiz follow FF4F FF51 Lsiz Rsiz
    for (size_t i = 8; i < 16; ++i) huge[i] = i % 4 == 0 ? 0 : 0xFF;
    EXPECT_FALSE(decode(huge, out));
    EXPECT_TRUE(lastError() == kErrMemory || lastError() == kErrFileBroken) << lastError();

    const std::vector<uint8_t> header(good.begin(), good.begin() + 20);
    EXPECT_FALSE(decode(header, out));
    EXPECT_TRUE(sameColours(out, kept));
}
