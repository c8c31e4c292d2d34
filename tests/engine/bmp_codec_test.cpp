#include <gtest/gtest.h>

#include "codec_test_io.h"
#include "engine/codecs/bmp/bmp_codec.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/io/bytes.h"
#include "engine/io/file_io.h"
#include "op_test_images.h"

using namespace ximora::engine;
using ximora::engine::test::encodeFile;
using ximora::engine::test::loadError;
using ximora::engine::test::randomImage;
using ximora::engine::test::sameColours;

namespace {

// A hand-made bitmap: version 3 header, `bits` per pixel, the given palette and pixel bytes.
std::vector<uint8_t> handMade(int width, int height, int bits, uint32_t compression,
                              const std::vector<Colour>& palette,
                              const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> bytes;
    ByteWriter w(bytes);
    const uint32_t offset = 54 + 4 * uint32_t(palette.size());
    w.u8('B'), w.u8('M'), w.le32(offset + uint32_t(pixels.size())), w.le32(0), w.le32(offset);
    w.le32(40), w.le32(uint32_t(width)), w.le32(uint32_t(height)), w.le16(1),
        w.le16(uint32_t(bits));
    w.le32(compression), w.le32(uint32_t(pixels.size())), w.le32(0), w.le32(0);
    w.le32(uint32_t(palette.size())), w.le32(0);
    for (const Colour& c : palette) w.u8(c.b), w.u8(c.g), w.u8(c.r), w.u8(0);
    w.bytes(pixels.data(), pixels.size());
    return bytes;
}

}  // namespace

TEST(BmpCodec, RoundTripsEveryDepthAndCompressionExactly) {
    for (int format : {kSaveBmp, kSaveBmpRle})
        for (int bits : {1, 4, 8, 16, 24, 32})
            for (int width : {1, 3, 7, 33}) {
                // Short palettes (fewer entries than the depth allows) as well as full ones.
                for (int paletteSize :
                     bits <= 8 ? std::vector<int>{2, 1 << bits} : std::vector<int>{0}) {
                    Image image = randomImage(width, 5, bits, paletteSize, uint32_t(width * bits));
                    image.dpiX = 300, image.dpiY = 72;
                    const auto bytes = encodeFile(image, format);
                    Image back;
                    FileFormat format2 = FileFormat::Unknown;
                    ASSERT_TRUE(
                        loadImageFromMemory(bytes.data(), bytes.size(), back, {}, &format2));
                    EXPECT_EQ(format2, FileFormat::Bmp);
                    EXPECT_EQ(back.bitsPerPixel(), bits) << format << " " << bits << " " << width;
                    EXPECT_TRUE(sameColours(image, back)) << format << " " << bits << " " << width;
                    EXPECT_EQ(back.dpiX, 300);
                    EXPECT_EQ(back.dpiY, 72);
                    // The compression field: RLE8/RLE4 for code 1 at 8/4 bits, bit fields at 16/32.
                    const uint32_t compression = readLe32(bytes.data() + 30);
                    const uint32_t expected = format == kSaveBmpRle && bits == 8   ? 1
                                              : format == kSaveBmpRle && bits == 4 ? 2
                                              : bits == 16 || bits == 32           ? 3
                                                                                   : 0;
                    EXPECT_EQ(compression, expected) << format << " " << bits;
                    EXPECT_EQ(readLe16(bytes.data() + 28), bits);
                }
            }
}

TEST(BmpCodec, GreyRampPaletteComesBackAsGrey) {
    for (int bits : {4, 8}) {
        Image image = randomImage(9, 4, bits);
        image.palette = greyPalette(bits);
        image.setGrey(true);
        const auto bytes = encodeFile(image, kSaveBmp);
        Image back;
        ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), back));
        EXPECT_TRUE(back.grey());
        EXPECT_EQ(back.colourCode(), bits * 10);
    }
}

TEST(BmpCodec, PaletteOfGreysInAnyOrderIsGrey) {
    // ImageMagick's grey bitmaps: only the greys used, in order of appearance; plain and run
    // length coded. Colours stay, the picture counts as grey.
    const std::vector<Colour> greys = {{200, 200, 200, 255}, {17, 17, 17, 255}, {0, 0, 0, 255}};
    const std::vector<uint8_t> pixels = {0, 1, 2, 0};  // one row of three, padded
    for (const auto& [bits, bytes] :
         {std::pair{8, handMade(3, 1, 8, 0, greys, pixels)},
          {8, handMade(3, 1, 8, 1, greys, {3, 0, 0, 1})},  // RLE8: a run of index 0, end
          {4, handMade(3, 1, 4, 0, {greys[1], greys[2]}, {0x01, 0x00, 0, 0})}}) {
        Image image;
        ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), image)) << lastError();
        EXPECT_EQ(image.colourCode(), bits * 10) << bits;
        EXPECT_EQ(image.palette, greyPalette(bits));
        EXPECT_EQ(image.pixel(0, 0), bits == 8 ? greys[0] : greys[1]);
    }
    // 4 bits cannot show 200 on its ramp: that palette stays as it is, in colour.
    const auto odd = handMade(3, 1, 4, 0, greys, {0x01, 0x20, 0, 0});
    Image image;
    ASSERT_TRUE(loadImageFromMemory(odd.data(), odd.size(), image));
    EXPECT_EQ(image.colourCode(), 4);
    EXPECT_EQ(image.pixel(2, 0), greys[2]);
}

TEST(BmpCodec, ReadsTopDownOs2AndShortPalettes) {
    const std::vector<Colour> palette = {{255, 0, 0, 255}, {0, 0, 255, 255}};
    // 2 × 2, 8 bits, rows padded to 4 bytes; negative height means the first row is the top.
    std::vector<uint8_t> bytes = handMade(2, -2, 8, 0, palette, {0, 1, 0, 0, 1, 1, 0, 0});
    Image image;
    ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), image));
    EXPECT_EQ(image.pixel(1, 0), palette[1]);
    EXPECT_EQ(image.pixel(0, 1), palette[1]);
    EXPECT_EQ(image.pixel(0, 0), palette[0]);
    EXPECT_EQ(image.palette.size(), 2u);

    // OS/2 1.x: 12-byte header, three-byte palette entries, 1 bit per pixel.
    std::vector<uint8_t> os2;
    ByteWriter w(os2);
    w.u8('B'), w.u8('M'), w.le32(0), w.le32(0), w.le32(14 + 12 + 6);
    w.le32(12), w.le16(3), w.le16(1), w.le16(1), w.le16(1);
    w.u8(0), w.u8(0), w.u8(0), w.u8(255), w.u8(255), w.u8(255);
    w.u8(0b10100000), w.zeros(3);
    ASSERT_TRUE(loadImageFromMemory(os2.data(), os2.size(), image));
    EXPECT_EQ(image.bitsPerPixel(), 1);
    EXPECT_EQ(image.pixel(0, 0), (Colour{255, 255, 255, 255}));
    EXPECT_EQ(image.pixel(1, 0), (Colour{0, 0, 0, 255}));
}

TEST(BmpCodec, DecodesRleEscapes) {
    const std::vector<Colour> palette = {
        {0, 0, 0, 255}, {10, 0, 10, 255}, {20, 20, 0, 255}, {0, 30, 30, 255}};
    // Bottom row: run of 2 × index 1, absolute 3 pixels (2, 3, 1) + pad, end of line; then a
    // delta of (1, 0) on the top row and one pixel of index 3, end of bitmap.
    const std::vector<uint8_t> rle8 = {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 0, 1, 3, 0, 1};
    Image image;
    auto bytes = handMade(5, 2, 8, 1, palette, rle8);
    ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), image)) << lastError();
    const uint8_t bottom[] = {1, 1, 2, 3, 1}, top[] = {0, 3, 0, 0, 0};
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(image.row(1)[x], bottom[x]);
        EXPECT_EQ(image.row(0)[x], top[x]);
    }
    // RLE4: a run alternates the two nibbles.
    bytes = handMade(4, 1, 4, 2, palette, {4, 0x12, 0, 1});
    ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), image)) << lastError();
    EXPECT_EQ(image.row(0)[0], 1);
    EXPECT_EQ(image.row(0)[1], 2);
    EXPECT_EQ(image.row(0)[3], 2);
}

// Writers such as ImageMagick let runs cover the row padding; ImageMagick reads the pixels as
// one sequence of rows, so a run goes on at the start of the next rows until an end of line or
// a delta moves on from the row where the line began. The expected pixels are what
// ImageMagick 6.9 shows for the same files.
TEST(BmpCodec, ReadsRunsPastTheRowAsImageMagickDoes) {
    const std::vector<Colour> palette = {
        {0, 0, 0, 255}, {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
    struct Case {
        const char* what;
        int width, height;
        std::vector<uint8_t> rle;
        std::vector<uint8_t> topDown;  // indexes, top row first
    };
    const Case cases[] = {
        // As ImageMagick writes a 5-pixel row: a run of 8 covers the padding.
        {"padding", 5, 2, {5, 1, 3, 0, 0, 0, 8, 0, 0, 0, 0, 1}, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1}},
        // 11 pixels: the bottom row, the next row and one pixel of the top row; the middle
        // line then writes one pixel over what the run left there.
        {"spill",
         5,
         3,
         {11, 1, 0, 0, 1, 2, 0, 0, 0, 0, 0, 1},
         {1, 0, 0, 0, 0, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {"spill, then end of bitmap",
         5,
         3,
         {11, 1, 0, 1},
         {1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        // An absolute run of 7 with its pad byte.
        {"absolute",
         5,
         2,
         {0, 7, 1, 2, 3, 1, 2, 3, 1, 0, 0, 0, 0, 1},
         {3, 1, 0, 0, 0, 1, 2, 3, 1, 2}},
        {"runs go on", 5, 2, {7, 1, 2, 2, 0, 0, 0, 1}, {1, 1, 2, 2, 0, 1, 1, 1, 1, 1}},
        {"past the picture", 5, 2, {20, 1, 0, 1}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        // A delta past the picture ends it.
        {"delta past the end",
         5,
         2,
         {2, 1, 0, 2, 1, 5, 2, 2, 0, 1},
         {0, 0, 0, 0, 0, 1, 1, 0, 0, 0}},
        // Data after the last line's end is not read.
        {"after the last line",
         5,
         2,
         {1, 1, 0, 0, 1, 3, 0, 0, 3, 2, 0, 1},
         {3, 0, 0, 0, 0, 1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const auto bytes = handMade(c.width, c.height, 8, 1, palette, c.rle);
        Image image;
        ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), image)) << c.what;
        std::vector<uint8_t> read;
        for (int y = 0; y < c.height; ++y)
            read.insert(read.end(), image.row(y), image.row(y) + c.width);
        EXPECT_EQ(read, c.topDown) << c.what;
    }
    // RLE4 alike: a run of 6 nibbles in a 3-pixel row goes on into the top row.
    const auto bytes = handMade(3, 2, 4, 2, palette, {6, 0x12, 0, 1});
    Image image;
    ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), image)) << lastError();
    EXPECT_EQ(std::vector<uint8_t>(image.row(1), image.row(1) + 3),
              (std::vector<uint8_t>{1, 2, 1}));
    EXPECT_EQ(std::vector<uint8_t>(image.row(0), image.row(0) + 3),
              (std::vector<uint8_t>{2, 1, 2}));
}

// A file ImageMagick wrote, against ImageMagick's own reading of it.
TEST(BmpCodec, ReadsImageMagicksRunLengthFiles) {
    Image image;
    ASSERT_TRUE(loadImage(XIMORA_TEST_DATA "/rle8-imagemagick.bmp", image)) << lastError();
    std::vector<uint8_t> ppm;
    ASSERT_TRUE(readWholeFile(XIMORA_TEST_DATA "/rle8-imagemagick.ppm", ppm));
    const std::string header = "P6\n13 5\n255\n";
    ASSERT_EQ(std::string(ppm.begin(), ppm.begin() + long(header.size())), header);
    ASSERT_EQ(image.width(), 13);
    ASSERT_EQ(image.height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 13; ++x) {
            const uint8_t* p = ppm.data() + header.size() + size_t(y * 13 + x) * 3;
            EXPECT_EQ(image.pixel(x, y), (Colour{p[0], p[1], p[2], 255})) << x << "," << y;
        }
}

TEST(BmpCodec, RefusesHostileFilesCleanly) {
    const std::vector<Colour> two = {{0, 0, 0, 255}, {255, 255, 255, 255}};
    EXPECT_EQ(loadError(handMade(2, 1, 8, 1, two, {1, 1})), kErrCannotRead);         // ends early
    EXPECT_EQ(loadError(handMade(2, 2, 8, 1, two, {2, 1, 0, 0})), kErrCannotRead);   // no last line
    EXPECT_EQ(loadError(handMade(2, 1, 8, 0, two, {0, 7, 0, 0})), kErrFileBroken);   // index 7 of 2
    EXPECT_EQ(loadError(handMade(2, 2, 24, 0, {}, {1, 2, 3})), kErrCannotRead);      // truncated
    EXPECT_EQ(loadError(handMade(2, 1, 7, 0, {}, {0, 0, 0, 0})), kErrFileBroken);    // 7 bits
    EXPECT_EQ(loadError(handMade(2, -1, 8, 1, two, {0, 1})), kErrFileBroken);        // top-down RLE
    EXPECT_EQ(loadError(handMade(100000, 1, 24, 0, {}, {0, 0, 0, 0})), kErrMemory);  // too wide
    // 60000 × 60000 × 32 bits: 14 GB missing from the file, refused before anything is
    // allocated.
    EXPECT_EQ(loadError(handMade(60000, 60000, 32, 0, {}, {0, 0, 0, 0})), kErrCannotRead);
    // Every truncation of a valid file fails cleanly (or still decodes, never crashes).
    const auto good = encodeFile(randomImage(13, 6, 4, 16), kSaveBmpRle);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const std::vector<uint8_t> part(good.begin(), good.begin() + long(cut));
        const int error = loadError(part);
        EXPECT_TRUE(error == 0 || error == kErrBadFile || error == kErrFileBroken ||
                    error == kErrCannotRead)
            << cut << " " << error;
    }
}

TEST(BmpCodec, ReadsBitFieldsOfAnyWidth) {
    // One pixel per file; version 3 header followed by the masks (bit fields).
    auto withMasks = [](int bits, std::vector<uint32_t> masks, uint32_t pixel) {
        std::vector<uint8_t> bytes;
        ByteWriter w(bytes);
        const uint32_t offset = 54 + 4 * uint32_t(masks.size());
        w.u8('B'), w.u8('M'), w.le32(offset + 4), w.le32(0), w.le32(offset);
        w.le32(40), w.le32(1), w.le32(1), w.le16(1), w.le16(uint32_t(bits));
        w.le32(masks.empty() ? 0 : masks.size() == 4 ? 6 : 3), w.le32(4), w.zeros(16);
        for (uint32_t m : masks) w.le32(m);
        w.le32(pixel);
        return bytes;
    };
    Image image;
    // 16 bits without masks: 5-5-5. Red 31, green 0, blue 16 → 255, 0, 132 (scaled).
    auto bytes = withMasks(16, {}, (31u << 10) | 16u);
    ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), image));
    EXPECT_EQ(image.bitsPerPixel(), 16);
    EXPECT_EQ(image.pixel(0, 0), unpackRgb565(packRgb565(255, 0, 132)));
    // 32 bits, 10-10-10-2 with alpha (ALPHABITFIELDS): the top 8 bits of each channel.
    bytes = withMasks(32, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000},
                      (0x3FFu << 20) | (0x200u << 10) | 0x004u | (1u << 30));
    ASSERT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), image));
    EXPECT_EQ(image.pixel(0, 0), (Colour{255, 128, 1, 85}));
    // Masks with holes are refused.
    bytes = withMasks(32, {0xF0F00000, 0xFF00, 0xFF}, 0);
    EXPECT_FALSE(loadImageFromMemory(bytes.data(), bytes.size(), image));
    EXPECT_EQ(lastError(), kErrFileBroken);
}

TEST(BmpCodec, DpiAndPixelsPerMetreConvertBothWays) {
    for (int dpi : {1, 72, 96, 300, 600, 1200, 2400})
        EXPECT_EQ(dpiFromPixelsPerMetre(pixelsPerMetreFromDpi(dpi)), dpi);
    EXPECT_EQ(pixelsPerMetreFromDpi(72), 2835);
    EXPECT_EQ(dpiFromPixelsPerMetre(0), 0);
    EXPECT_EQ(dpiFromPixelsPerMetre(-5), 0);
}
