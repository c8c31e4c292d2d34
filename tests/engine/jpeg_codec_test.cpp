#include <gtest/gtest.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "codec_test_io.h"
#include "engine/codecs/jpeg/jpeg_codec.h"
#include "engine/core/error.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

std::vector<uint8_t> encode(const Image& image, int format = kSaveJpeg, int quality = 95) {
    return encodeWith(jpegCodec(), image, {.format = format, .jpegQuality = quality});
}

bool decode(const std::vector<uint8_t>& bytes, Image& out, int minSide = 0) {
    return decodeWith(jpegCodec(), bytes, out, minSide);
}

// Offset of the first SOFn marker's height field.
size_t sofHeightOffset(const std::vector<uint8_t>& bytes) {
    for (size_t i = 2; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) return i + 5;
    return 0;
}

// A four-component file written by libjpeg itself, which marks it with an Adobe segment and so
// stores the inks inverted, as Adobe applications do.
std::vector<uint8_t> cmykJpeg(const uint8_t inverted[4], int w, int h) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(w) * 4);
    for (int x = 0; x < w; ++x) std::copy(inverted, inverted + 4, row.begin() + x * 4);
    JSAMPROW r = row.data();
    while (cinfo.next_scanline < cinfo.image_height) jpeg_write_scanlines(&cinfo, &r, 1);
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> bytes(mem, mem + size);
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return bytes;
}

}  // namespace

TEST(JpegCodec, ColourRoundTripStaysCloseInBaselineAndProgressive) {
    Image source = smoothImage(67, 45);
    source.dpiX = 300, source.dpiY = 150;
    source.comment = "コメント test";
    for (int format : {kSaveJpeg, kSaveJpegProgressive}) {
        Image back;
        ASSERT_TRUE(decode(encode(source, format), back));
        EXPECT_EQ(back.bitsPerPixel(), 24);
        EXPECT_LE(maxDifference(source, back), 12);
        EXPECT_EQ(back.dpiX, 300);
        EXPECT_EQ(back.dpiY, 150);
        EXPECT_EQ(back.comment, source.comment);
    }
}

TEST(JpegCodec, GreyStaysGreyAndOtherDepthsBecomeColour) {
    Image grey = patternImage(40, 30, 8, true);
    Image back;
    ASSERT_TRUE(decode(encode(grey), back));
    EXPECT_EQ(back.colourCode(), 80);
    EXPECT_EQ(back.palette, greyPalette(8));
    for (int bits : {1, 4, 8, 16, 32}) {
        ASSERT_TRUE(decode(encode(patternImage(20, 10, bits), kSaveJpeg, 100), back)) << bits;
        EXPECT_EQ(back.bitsPerPixel(), bits == 1 ? 8 : 24) << bits;  // 1-bit black/white is grey
    }
}

TEST(JpegCodec, ASinkThatRefusesStopsTheEncoderWithItsOwnError) {
    // Takes the first buffer of the file, then fails as a full disk would, with an error the
    // encoder itself never gives.
    struct RefusingSink final : ByteSink {
        size_t calls = 0, bytes = 0;
        bool write(const uint8_t*, size_t size) override {
            if (++calls > 1) return fail(kErrCannotCreate);
            bytes += size;
            return true;
        }
    } sink;
    const Image picture = patternImage(900, 700, 24);
    EXPECT_FALSE(encodeJpegTo(picture, {.format = kSaveJpeg, .jpegQuality = 95}, sink));
    EXPECT_EQ(lastError(), kErrCannotCreate);
    EXPECT_EQ(sink.calls, 2u);  // nothing more is offered after the refusal
    EXPECT_GT(sink.bytes, 0u);
}

TEST(JpegCodec, QualityOutsideOneToHundredIsRefused) {
    SaveOptions options;
    std::vector<uint8_t> bytes;
    for (int q : {0, 101}) {
        options.jpegQuality = q;
        EXPECT_FALSE(jpegCodec().encode(smoothImage(8, 8), options, bytes));
        EXPECT_EQ(lastError(), kErrBadParameter);
    }
}

TEST(JpegCodec, ReducedDecodeKeepsBothSidesAtLeastTheMinimum) {
    const auto bytes = encode(smoothImage(800, 400));
    Image small;
    ASSERT_TRUE(decode(bytes, small, 100));
    EXPECT_EQ(small.width(), 200);  // 2/8: 200×100; 1/8 would give 100×50
    EXPECT_EQ(small.height(), 100);
    ASSERT_TRUE(decode(bytes, small, 1000));
    EXPECT_EQ(small.width(), 800);
}

TEST(JpegCodec, AdobeCmykIsConvertedToRgb) {
    const uint8_t red[4] = {255, 0, 0, 255};  // no cyan, full magenta and yellow, no black
    const auto bytes = cmykJpeg(red, 16, 16);
    Image image;
    ASSERT_TRUE(decode(bytes, image));
    EXPECT_EQ(image.bitsPerPixel(), 24);
    const Colour c = image.pixel(5, 5);
    EXPECT_GE(c.r, 250);
    EXPECT_LE(c.g, 5);
    EXPECT_LE(c.b, 5);
}

// A file cut short fails by default (no conversion writes invented rows); a viewer asks to
// keep it, and gets the rows that are there with the rest grey and the picture marked.
TEST(JpegCodec, AFileCutShortLoadsWhatIsThereWhenAsked) {
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const Image picture = smoothImage(64, 64);
        const auto good = encode(picture, progressive ? kSaveJpegProgressive : kSaveJpeg);
        Image whole;
        ASSERT_TRUE(decode(good, whole));
        EXPECT_FALSE(whole.cutShort);
        const std::vector<uint8_t> cut(good.begin(), good.begin() + long(good.size() * 2 / 3));
        Image out;
        EXPECT_FALSE(decodeJpeg(cut.data(), cut.size(), {}, out));
        EXPECT_EQ(lastError(), kErrCannotRead);

        LoadOptions keep;
        keep.keepCutShort = true;
        ASSERT_TRUE(decodeJpeg(cut.data(), cut.size(), keep, out));
        EXPECT_TRUE(out.cutShort);
        ASSERT_EQ(out.width(), 64);
        ASSERT_EQ(out.height(), 64);
        if (!progressive) {
            // The first rows are the picture's own; the last ones were never in the file.
            EXPECT_EQ(out.pixel(10, 2), whole.pixel(10, 2));
            EXPECT_NE(out.pixel(60, 62), whole.pixel(60, 62));
        }
    }
}

TEST(JpegCodec, DamagedFilesFailCleanly) {
    const auto good = encode(smoothImage(64, 64));
    Image kept = patternImage(3, 3, 24), out = kept;

    std::vector<uint8_t> truncated(good.begin(), good.begin() + long(good.size() / 2));
    EXPECT_FALSE(decode(truncated, out));
    EXPECT_EQ(lastError(), kErrCannotRead);

    std::vector<uint8_t> huge = good;
    const size_t at = sofHeightOffset(huge);
    ASSERT_NE(at, 0u);
    huge[at] = huge[at + 1] = huge[at + 2] = huge[at + 3] = 0xFF;
    EXPECT_FALSE(decode(huge, out));
    EXPECT_EQ(lastError(), kErrMemory);

    std::vector<uint8_t> broken = good;
    broken[at + 4] = 9;  // nine components
    EXPECT_FALSE(decode(broken, out));
    EXPECT_EQ(lastError(), kErrFileBroken);

    const std::vector<uint8_t> notJpeg = {'G', 'I', 'F', '8', '9', 'a', 0, 0};
    EXPECT_FALSE(decode(notJpeg, out));
    EXPECT_EQ(lastError(), kErrBadFile);
    EXPECT_TRUE(sameColours(out, kept));
}

namespace {

// Horizontal and vertical sampling factors of the first component in the SOF segment.
int lumaSampling(const std::vector<uint8_t>& bytes) {
    const size_t at = sofHeightOffset(bytes);
    return at ? bytes[at + 6] : -1;  // height, width, count, then id and factors of component 1
}

double psnr(const Image& a, const Image& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const Colour p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {p.r - q.r, p.g - q.g, p.b - q.b}) sum += double(d) * d;
        }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace

TEST(JpegCodec, HighQualitiesKeepFullChromaAndStayCloseToTheSource) {
    // Saturated colour edges on every pixel column: what halved chroma smears most.
    Image source = makeImage(160, 120, {24, false});
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); x += 3) source.row(y)[x * 3 + (y / 5) % 3] = 255;
    EXPECT_EQ(lumaSampling(encode(source, kSaveJpeg, 89)), 0x22);
    EXPECT_EQ(lumaSampling(encode(source, kSaveJpeg, kFullChromaQuality)), 0x11);
    EXPECT_EQ(lumaSampling(encode(source, kSaveJpegProgressive, 100)), 0x11);
    EXPECT_EQ(lumaSampling(encode(patternImage(40, 30, 8, true), kSaveJpeg, 100)), 0x11);

    Image back;
    ASSERT_TRUE(decode(encode(source, kSaveJpeg, 100), back));
    const double atHundred = psnr(source, back);
    RecordProperty("psnr_q100", std::to_string(atHundred));
    EXPECT_GE(atHundred, 45.0);
    ASSERT_TRUE(decode(encode(source, kSaveJpeg, 89), back));
    EXPECT_LT(psnr(source, back), atHundred - 5);
}
