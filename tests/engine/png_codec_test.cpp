#include <gtest/gtest.h>
#include <png.h>
#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <utility>

#include "codec_test_io.h"
#include "engine/codecs/png/png_codec.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

std::vector<uint8_t> encode(const Image& image, bool interlace = false, int transparent = -1) {
    return encodeWith(
        pngCodec(), image,
        {.format = kSavePng, .interlace = interlace, .transparentColour = transparent});
}

bool decode(const std::vector<uint8_t>& bytes, Image& out) {
    return decodeWith(pngCodec(), bytes, out);
}

long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

TEST(PngCodec, EveryDepthRoundTripsExactlyPlainAndInterlaced) {
    for (const LosslessDepth& c : kLosslessDepths)
        for (bool interlace : {false, true}) {
            const Image source = patternImage(37, 19, c.bits, c.grey);
            Image back;
            ASSERT_TRUE(decode(encode(source, interlace), back)) << c.bits;
            EXPECT_EQ(back.bitsPerPixel(), c.readBits) << c.bits;
            EXPECT_EQ(back.colourCode(), c.readBits == c.bits ? source.colourCode() : c.readBits);
            EXPECT_TRUE(sameColours(source, back)) << c.bits << " interlace " << interlace;
        }
}

TEST(PngCodec, ResolutionCommentAndTransparentColourSurvive) {
    Image source = patternImage(16, 16, 8);
    source.dpiX = 300, source.dpiY = 72;
    source.comment = "撮影 2026";
    const Colour key = source.palette[5];
    Image back;
    ASSERT_TRUE(decode(encode(source, false, key.r << 16 | key.g << 8 | key.b), back));
    EXPECT_EQ(back.dpiX, 300);
    EXPECT_EQ(back.dpiY, 72);
    EXPECT_EQ(back.comment, source.comment);
    EXPECT_EQ(back.palette[5].a, 0);
    EXPECT_EQ(back.palette[4].a, 255);

    // A colour key on RGB comes back as alpha: the keyed colour stays transparent.
    Image colour = patternImage(8, 8, 24);
    colour.comment = "plain";
    const Colour keyed = colour.pixel(3, 2);
    ASSERT_TRUE(decode(encode(colour, false, keyed.r << 16 | keyed.g << 8 | keyed.b), back));
    EXPECT_EQ(back.bitsPerPixel(), 32);
    EXPECT_EQ(back.comment, "plain");
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const Colour c = colour.pixel(x, y), b = back.pixel(x, y);
            EXPECT_EQ((Colour{b.r, b.g, b.b, 255}), c);
            EXPECT_EQ(b.a, c == keyed ? 0 : 255);
        }
}

TEST(PngCodec, TwoBitFilesWidenToFourBits) {
    // Hand-made 2-bit grey rows: a 4×1 image holding levels 0, 1, 2, 3.
    Image four = patternImage(4, 1, 4, true);
    const uint8_t levels[] = {0, 5, 10, 15};
    std::copy(levels, levels + 4, four.row(0));
    Image back;
    ASSERT_TRUE(decode(encode(four), back));
    EXPECT_TRUE(sameColours(four, back));
}

TEST(PngCodec, DamagedFilesFailCleanly) {
    const auto good = encode(patternImage(64, 64, 24));
    Image kept = patternImage(3, 3, 24), out = kept;

    std::vector<uint8_t> truncated(good.begin(), good.begin() + long(good.size() / 2));
    EXPECT_FALSE(decode(truncated, out));
    EXPECT_EQ(lastError(), kErrCannotRead);

    // Headers claiming huge pictures: both sides large, and rows of gigabytes (2 080 374 784
    // pixels wide), which must be refused before any row buffer is sized from them.
    for (const auto& [width, height] : {std::pair{0x00FFFF40u, 0x00FFFF40u}, {0x7C000000u, 7u}}) {
        std::vector<uint8_t> huge = good;  // IHDR width and height at offsets 16 and 20
        for (int i = 0; i < 4; ++i) {
            huge[16 + size_t(i)] = uint8_t(width >> (24 - 8 * i));
            huge[20 + size_t(i)] = uint8_t(height >> (24 - 8 * i));
        }
        const uLong crc = crc32(0, huge.data() + 12, 17);
        for (int i = 0; i < 4; ++i) huge[29 + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
        const long peakBefore = peakResidentKiB();
        EXPECT_FALSE(decode(huge, out)) << width;
        EXPECT_EQ(lastError(), kErrMemory) << width;
        EXPECT_LT(peakResidentKiB() - peakBefore, 256L << 10) << width;
    }

    std::vector<uint8_t> garbage = good;
    for (size_t i = 40; i < garbage.size() - 20; i += 7) garbage[i] ^= 0x5A;
    EXPECT_FALSE(decode(garbage, out));
    EXPECT_EQ(lastError(), kErrFileBroken);
    EXPECT_TRUE(sameColours(out, kept));

    // One changed byte of the compressed rows: the chunk's CRC refuses the file.
    const std::string idat = "IDAT";
    const auto at = std::search(good.begin(), good.end(), idat.begin(), idat.end());
    ASSERT_NE(at, good.end());
    std::vector<uint8_t> flipped = good;
    flipped[size_t(at - good.begin()) + 4 + 40] ^= 0x01;
    EXPECT_FALSE(decode(flipped, out));
    EXPECT_EQ(lastError(), kErrFileBroken);
    EXPECT_TRUE(sameColours(out, kept));
}

// Large pictures are deflated in strips on several threads and joined into one stream; another
// reader must find every chunk intact and the stream whole, whatever the number of threads.
TEST(PngCodec, LargePicturesMakeOneCheckedStreamWhateverTheThreads) {
    struct Case {
        int bits;
        bool grey;
        size_t rowBytes;
    };
    for (const Case c : {Case{24, false, 3 * 1500}, Case{32, false, 4 * 1500}, Case{8, true, 1500},
                         Case{4, false, 750}}) {
        const Image source =
            c.bits == 24 ? smoothImage(1500, 700) : randomImage(1500, 700, c.bits, c.grey ? 0 : 16);
        setWorkerCount(1);
        const std::vector<uint8_t> alone = encode(source);
        setWorkerCount(5);
        const std::vector<uint8_t> shared = encode(source);
        setWorkerCount(0);
        EXPECT_EQ(alone, shared) << c.bits;

        std::vector<uint8_t> stream;
        bool ended = false;
        for (size_t at = 8; at + 12 <= shared.size() && !ended;) {
            const uint32_t length = uint32_t(shared[at]) << 24 | shared[at + 1] << 16 |
                                    shared[at + 2] << 8 | shared[at + 3];
            ASSERT_LE(at + 12 + length, shared.size());
            const uint8_t* type = shared.data() + at + 4;
            const uLong crc = crc32(0, type, 4 + length);
            const uint8_t* stored = type + 4 + length;
            EXPECT_EQ(crc, uLong(stored[0]) << 24 | stored[1] << 16 | stored[2] << 8 | stored[3])
                << std::string(type, type + 4);
            if (std::equal(type, type + 4, "IDAT")) stream.insert(stream.end(), type + 4, stored);
            ended = std::equal(type, type + 4, "IEND");
            at += 12 + length;
        }
        EXPECT_TRUE(ended) << c.bits;
        // zlib checks the stream's own checksum; every row has a filter type and its bytes.
        std::vector<uint8_t> raw(700 * (c.rowBytes + 1) + 1);
        uLongf rawSize = uLongf(raw.size());
        ASSERT_EQ(uncompress(raw.data(), &rawSize, stream.data(), uLong(stream.size())), Z_OK);
        EXPECT_EQ(rawSize, 700 * (c.rowBytes + 1)) << c.bits;
        for (size_t y = 0; y < 700; ++y) EXPECT_LE(raw[y * (c.rowBytes + 1)], 4) << y;

        Image back;
        ASSERT_TRUE(decode(shared, back));
        EXPECT_TRUE(sameColours(source, back)) << c.bits;
    }
}

// ImageMagick keeps EXIF and XMP in "Raw profile type ..." text chunks (hexadecimal after a
// name and a length): they are read like the chunks of their own, and so kept by a save.
TEST(PngCodec, ImageMagickRawProfilesAreRead) {
    const std::vector<uint8_t> exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const auto raw = [](const char* name, const std::vector<uint8_t>& block) {
        static const char kHex[] = "0123456789abcdef";
        std::string text = std::string("\n") + name + "\n      " + std::to_string(block.size());
        for (size_t i = 0; i < block.size(); ++i) {
            if (i % 36 == 0) text += '\n';
            text += kHex[block[i] >> 4];
            text += kHex[block[i] & 15];
        }
        return text + "\n";
    };
    std::vector<uint8_t> withHeader = {'E', 'x', 'i', 'f', 0, 0};
    withHeader.insert(withHeader.end(), exif.begin(), exif.end());
    const std::string xmp = "<x:xmpmeta>raw</x:xmpmeta>";
    const std::string exifText = raw("exif", withHeader);
    const std::string xmpText = raw("xmp", std::vector<uint8_t>(xmp.begin(), xmp.end()));

    std::vector<uint8_t> file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &file,
        [](png_structp p, png_bytep data, size_t length) {
            auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, 2, 1, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_text texts[2] = {};
    texts[0].compression = PNG_TEXT_COMPRESSION_zTXt;
    texts[0].key = const_cast<char*>("Raw profile type exif");
    texts[0].text = const_cast<char*>(exifText.c_str());
    texts[1].compression = PNG_TEXT_COMPRESSION_zTXt;
    texts[1].key = const_cast<char*>("Raw profile type xmp");
    texts[1].text = const_cast<char*>(xmpText.c_str());
    png_set_text(png, info, texts, 2);
    png_write_info(png, info);
    uint8_t row[2] = {10, 200};
    png_write_row(png, row);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);

    Image back;
    ASSERT_TRUE(decode(file, back));
    EXPECT_EQ(back.metadata.exif, exif);
    EXPECT_EQ(std::string(back.metadata.xmp.begin(), back.metadata.xmp.end()), xmp);
}
