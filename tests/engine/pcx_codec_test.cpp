#include <gtest/gtest.h>

#include "codec_test_io.h"
#include "engine/codecs/pcx/pcx_codec.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/io/bytes.h"
#include "op_test_images.h"

using namespace ximora::engine;
using ximora::engine::test::encodeFile;
using ximora::engine::test::loadError;
using ximora::engine::test::randomImage;
using ximora::engine::test::sameColours;

namespace {}  // namespace

TEST(PcxCodec, RoundTripsPaletteAndColourDepthsExactly) {
    for (int bits : {1, 4, 8, 24})
        for (int width : {1, 9, 64, 130}) {
            Image image = randomImage(width, 7, bits, 0, uint32_t(width + bits));
            image.dpiX = 150, image.dpiY = 200;
            const auto bytes = encodeFile(image, kSavePcx);
            Image back;
            FileFormat format = FileFormat::Unknown;
            ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), back, {}, &format)) << bits;
            EXPECT_EQ(format, FileFormat::Pcx);
            EXPECT_EQ(back.bitsPerPixel(), bits) << bits << " " << width;
            EXPECT_TRUE(sameColours(image, back)) << bits << " " << width;
            EXPECT_EQ(back.dpiX, 150);
            EXPECT_EQ(back.dpiY, 200);
        }
}

TEST(PcxCodec, SixteenAndThirtyTwoBitsAreWrittenAsTwentyFour) {
    for (int bits : {16, 32}) {
        const Image image = randomImage(5, 4, bits);
        const auto bytes = encodeFile(image, kSavePcx);
        Image back;
        ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), back));
        EXPECT_EQ(back.bitsPerPixel(), 24);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                Colour c = image.pixel(x, y);
                c.a = 255;
                EXPECT_EQ(back.pixel(x, y), c);
            }
    }
}

TEST(PcxCodec, GreyEndPaletteComesBackAsGrey) {
    Image image = randomImage(6, 3, 8);
    image.palette = greyPalette(8);
    image.setGrey(true);
    const auto bytes = encodeFile(image, kSavePcx);
    Image back;
    ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), back));
    EXPECT_EQ(back.colourCode(), 80);
}

TEST(PcxCodec, RefusesDamagedFilesCleanly) {
    auto good = encodeFile(randomImage(40, 10, 24), kSavePcx);
    auto broken = good;
    writeLe16(broken.data() + 8, 0), writeLe16(broken.data() + 4, 5);  // xMax < xMin
    EXPECT_EQ(loadError(broken), kErrFileBroken);
    broken = good;
    writeLe16(broken.data() + 66, 2);  // a line shorter than the width
    EXPECT_EQ(loadError(broken), kErrFileBroken);
    broken = good;
    writeLe16(broken.data() + 8, 65535), writeLe16(broken.data() + 10, 65535);  // huge, few bytes
    const int huge = loadError(broken);
    EXPECT_TRUE(huge == kErrFileBroken || huge == kErrMemory) << huge;
    broken = good;
    broken[65] = 7;  // seven planes of 8 bits
    EXPECT_EQ(loadError(broken), kErrUnsupported);
    for (size_t cut = 0; cut < good.size(); cut += 7) {
        const std::vector<uint8_t> part(good.begin(), good.begin() + long(cut));
        const int error = loadError(part);
        EXPECT_TRUE(error == kErrBadFile || error == kErrFileBroken || error == kErrCannotRead)
            << cut << " " << error;
    }
}
