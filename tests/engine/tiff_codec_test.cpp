#include <gtest/gtest.h>

#include "codec_test_io.h"
#include "engine/codecs/tiff/tiff_codec.h"
#include "engine/codecs/tiff/tiff_file.h"
#include "engine/core/error.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

std::vector<uint8_t> encode(const Image& image, int format = kSaveTiff) {
    return encodeWith(tiffCodec(), image, {.format = format});
}

bool decode(const std::vector<uint8_t>& bytes, Image& out) {
    return decodeWith(tiffCodec(), bytes, out);
}

// Writes an 8-bit RGB or grey file with libtiff directly, in tiles or strips and with the
// given compression, holding `image` (24-bit) or its red channel (grey).
std::vector<uint8_t> writeWithLibtiff(const Image& image, bool tiled, uint16_t compression,
                                      bool grey, uint16_t unit = RESUNIT_CENTIMETER) {
    std::vector<uint8_t> bytes;
    TiffFile file;
    EXPECT_TRUE(file.openForWriting(bytes));
    TIFF* t = file.tiff();
    const uint16_t spp = grey ? 1 : 3;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(image.width()));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(image.height()));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 100.0f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, 50.0f);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, unit);
    std::vector<uint8_t> plane(size_t(image.width()) * image.height() * spp);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            for (int c = 0; c < spp; ++c)
                plane[(size_t(y) * image.width() + x) * spp + c] = image.row(y)[x * 3 + c];
    if (tiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
        std::vector<uint8_t> tile(16 * 16 * spp);
        for (int ty = 0; ty < image.height(); ty += 16)
            for (int tx = 0; tx < image.width(); tx += 16) {
                std::fill(tile.begin(), tile.end(), 0);
                for (int y = ty; y < std::min(ty + 16, image.height()); ++y)
                    for (int x = tx; x < std::min(tx + 16, image.width()); ++x)
                        for (int c = 0; c < spp; ++c)
                            tile[(size_t(y - ty) * 16 + (x - tx)) * spp + c] =
                                plane[(size_t(y) * image.width() + x) * spp + c];
                TIFFWriteTile(t, tile.data(), uint32_t(tx), uint32_t(ty), 0, 0);
            }
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 8);  // JPEG needs a multiple of 8
        for (int y = 0; y < image.height(); ++y)
            TIFFWriteScanline(t, plane.data() + size_t(y) * image.width() * spp, uint32_t(y), 0);
    }
    EXPECT_TRUE(file.finishWriting());
    return bytes;
}

// A little-endian grey file of the given size whose single strip holds 16 bytes.
std::vector<uint8_t> hugeGreyTiff(uint32_t width, uint32_t height) {
    std::vector<uint8_t> bytes = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](uint32_t v) { bytes.push_back(uint8_t(v)), bytes.push_back(uint8_t(v >> 8)); };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    const uint32_t entries[][3] = {{256, 4, width}, {257, 4, height}, {258, 3, 8},
                                   {259, 3, 1},     {262, 3, 1},      {273, 4, 200},
                                   {277, 3, 1},     {278, 4, height}, {279, 4, 16}};
    put16(9);
    for (const auto& e : entries) put16(e[0]), put16(e[1]), put32(1), put32(e[2]);
    put32(0);
    bytes.resize(216, 0x80);
    return bytes;
}

}  // namespace

TEST(TiffCodec, EveryDepthRoundTripsExactlyUncompressedAndLzw) {
    for (const LosslessDepth& c : kLosslessDepths)
        for (int format : {kSaveTiff, kSaveTiffLzw}) {
            Image source = patternImage(37, 19, c.bits, c.grey);
            source.dpiX = 200, source.dpiY = 100;
            source.comment = "説明";
            Image back;
            ASSERT_TRUE(decode(encode(source, format), back)) << c.bits;
            EXPECT_EQ(back.bitsPerPixel(), c.readBits) << c.bits;
            EXPECT_EQ(back.colourCode(), c.readBits == c.bits ? source.colourCode() : c.readBits);
            EXPECT_TRUE(sameColours(source, back)) << c.bits << " format " << format;
            EXPECT_EQ(back.dpiX, 200);
            EXPECT_EQ(back.dpiY, 100);
            EXPECT_EQ(back.comment, source.comment);
        }
}

TEST(TiffCodec, BilevelMinIsWhiteKeepsItsColours) {
    Image source = patternImage(19, 7, 1);
    source.palette = {Colour{255, 255, 255, 255}, Colour{0, 0, 0, 255}};
    Image back;
    ASSERT_TRUE(decode(encode(source, kSaveTiffLzw), back));
    EXPECT_EQ(back.bitsPerPixel(), 1);
    EXPECT_TRUE(sameColours(source, back));
}

TEST(TiffCodec, ReadsTilesStripsAndCompressionsOfOtherWriters) {
    const Image source = patternImage(41, 37, 24);
    for (bool tiled : {false, true})
        for (uint16_t compression :
             {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_PACKBITS, COMPRESSION_ADOBE_DEFLATE}) {
            Image back;
            ASSERT_TRUE(decode(writeWithLibtiff(source, tiled, compression, false), back))
                << tiled << " " << compression;
            EXPECT_TRUE(sameColours(source, back)) << tiled << " " << compression;
            EXPECT_EQ(back.dpiX, 254);  // 100 per centimetre
            EXPECT_EQ(back.dpiY, 127);
        }
    // Grey min-is-white: the stored value v shows as level 255 - v.
    Image back;
    ASSERT_TRUE(decode(writeWithLibtiff(source, true, COMPRESSION_LZW, true), back));
    EXPECT_EQ(back.colourCode(), 80);
    EXPECT_EQ(back.pixel(3, 4).r, 255 - source.row(4)[9]);
}

TEST(TiffCodec, JpegCompressedFilesReadThroughTheGenericPath) {
    const Image source = smoothImage(48, 40);
    Image back;
    ASSERT_TRUE(decode(writeWithLibtiff(source, false, COMPRESSION_JPEG, false), back));
    EXPECT_EQ(back.bitsPerPixel(), 24);
    EXPECT_LE(maxDifference(source, back), 16);
}

TEST(TiffCodec, DamagedFilesFailCleanly) {
    const auto good = encode(patternImage(64, 64, 24), kSaveTiffLzw);
    Image kept = patternImage(3, 3, 24), out = kept;

    std::vector<uint8_t> truncated(good.begin(), good.begin() + long(good.size() / 2));
    EXPECT_FALSE(decode(truncated, out));
    EXPECT_EQ(lastError(), kErrCannotRead);

    std::vector<uint8_t> garbage = good;
    for (size_t i = 8; i + 200 < garbage.size(); i += 3) garbage[i] = uint8_t(i * 7);
    EXPECT_FALSE(decode(garbage, out));
    EXPECT_TRUE(lastError() == kErrCannotRead || lastError() == kErrFileBroken) << lastError();

    const std::vector<uint8_t> directoryPastTheEnd = {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_FALSE(decode(directoryPastTheEnd, out));
    EXPECT_EQ(lastError(), kErrCannotRead);

    EXPECT_FALSE(decode(hugeGreyTiff(100000, 3), out));
    EXPECT_EQ(lastError(), kErrMemory);
    EXPECT_FALSE(decode(hugeGreyTiff(60000, 60000), out));  // 3.6 GB of 8-bit grey, no data
    EXPECT_EQ(lastError(), kErrCannotRead);
    EXPECT_TRUE(sameColours(out, kept));
}
