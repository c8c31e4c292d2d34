#include <gif_lib.h>
#include <gtest/gtest.h>

#include "codec_test_io.h"
#include "engine/codecs/gif/gif_codec.h"
#include "engine/core/error.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

std::vector<uint8_t> encode(const Image& image, bool interlace = false, int transparent = -1) {
    return encodeWith(
        gifCodec(), image,
        {.format = kSaveGif, .interlace = interlace, .transparentColour = transparent});
}

bool decode(const std::vector<uint8_t>& bytes, Image& out) {
    return decodeWith(gifCodec(), bytes, out);
}

int append(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

// A two-frame animation on a 10×8 screen: frame 1 is a 4×3 block of index 1 at (2, 3) over
// background index 2, frame 2 covers everything with index 3.
std::vector<uint8_t> animation() {
    std::vector<uint8_t> bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, append, &error);
    ColorMapObject* map = GifMakeMapObject(4, nullptr);
    const GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    std::copy(colours, colours + 4, map->Colors);
    EGifPutScreenDesc(gif, 10, 8, 2, 2, map);
    GifPixelType row[10];
    EGifPutImageDesc(gif, 2, 3, 4, 3, false, nullptr);
    std::fill(row, row + 10, 1);
    for (int y = 0; y < 3; ++y) EGifPutLine(gif, row, 4);
    EGifPutImageDesc(gif, 0, 0, 10, 8, false, nullptr);
    std::fill(row, row + 10, 3);
    for (int y = 0; y < 8; ++y) EGifPutLine(gif, row, 10);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return bytes;
}

}  // namespace

TEST(GifCodec, PaletteDepthsRoundTripExactlyPlainAndInterlaced) {
    for (int bits : {1, 4, 8})
        for (bool grey : {false, true})
            for (bool interlace : {false, true}) {
                const Image source = patternImage(23, 17, bits, grey);
                Image back;
                ASSERT_TRUE(decode(encode(source, interlace), back)) << bits;
                EXPECT_EQ(back.bitsPerPixel(), bits);
                EXPECT_TRUE(sameColours(source, back)) << bits << " interlace " << interlace;
            }
}

TEST(GifCodec, TransparentColourAndCommentSurvive) {
    Image source = patternImage(12, 12, 4);
    source.comment = std::string(300, 'c') + " end";  // longer than one sub-block
    const Colour key = source.palette[7];
    Image back;
    ASSERT_TRUE(decode(encode(source, false, key.r << 16 | key.g << 8 | key.b), back));
    EXPECT_EQ(back.comment, source.comment);
    EXPECT_EQ(back.palette[7].a, 0);
    EXPECT_EQ(back.palette[6].a, 255);
    // Saved again without a colour given, the kept transparent entry stays transparent.
    Image again;
    ASSERT_TRUE(decode(encode(back), again));
    EXPECT_EQ(again.palette[7].a, 0);
}

TEST(GifCodec, DeeperImagesAreRefusedWithNotApplicable) {
    std::vector<uint8_t> bytes;
    for (int bits : {16, 24, 32}) {
        EXPECT_FALSE(gifCodec().encode(patternImage(4, 4, bits), SaveOptions{}, bytes));
        EXPECT_EQ(lastError(), kErrNotApplicable);
    }
}

TEST(GifCodec, FirstFrameOfAnAnimationIsPlacedOnTheScreen) {
    Image image;
    ASSERT_TRUE(decode(animation(), image));
    EXPECT_EQ(image.width(), 10);
    EXPECT_EQ(image.height(), 8);
    EXPECT_EQ(image.pixel(0, 0), (Colour{0, 255, 0, 255}));  // background
    EXPECT_EQ(image.pixel(2, 3), (Colour{255, 0, 0, 255}));
    EXPECT_EQ(image.pixel(5, 5), (Colour{255, 0, 0, 255}));
    EXPECT_EQ(image.pixel(6, 5), (Colour{0, 255, 0, 255}));
}

TEST(GifCodec, DamagedFilesFailCleanly) {
    const auto good = encode(patternImage(64, 64, 8));
    Image kept = patternImage(3, 3, 8), out = kept;

    std::vector<uint8_t> truncated(good.begin(), good.begin() + long(good.size() / 2));
    EXPECT_FALSE(decode(truncated, out));
    EXPECT_EQ(lastError(), kErrCannotRead);

    std::vector<uint8_t> huge = good;  // the logical screen's size
    huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;
    setMemoryLimit(uint64_t(1) << 30);
    EXPECT_FALSE(decode(huge, out));
    EXPECT_EQ(lastError(), kErrMemory);
    setMemoryLimit(uint64_t(4) << 30);

    const std::vector<uint8_t> notGif = {'B', 'M', 'P', '8', '8', 'a', 1, 0, 1, 0, 0, 0, 0};
    EXPECT_FALSE(decode(notGif, out));
    EXPECT_EQ(lastError(), kErrBadFile);
    EXPECT_TRUE(sameColours(out, kept));
}
