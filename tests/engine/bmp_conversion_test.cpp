// Conversion to BMP writes rows straight from the decoder into the file; the file must be the
// one the whole decoded picture gives, and whatever cannot be written that way, or fails on the
// way, must end as the whole-picture conversion ends.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

#include "engine/codecs/bmp/bmp_codec.h"
#include "engine/codecs/bmp/bmp_file_rows.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/formats/file_conversion.h"
#include "engine/io/atomic_file.h"
#include "engine/io/file_io.h"
#include "op_test_images.h"
#include "support/child_process.h"
#include "thumbs_test_folder.h"

using namespace ximora::engine;
using ximora::engine::test::Depth;
using ximora::engine::test::makeImage;
using ximora::engine::test::TestFolder;
using ximora::testing::limitFileSize;
using ximora::testing::runInChild;

namespace {

std::vector<uint8_t> bytesOf(const std::string& path) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(readWholeFile(path, bytes)) << path;
    return bytes;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(writeFileAtomically(path, bytes.data(), bytes.size()));
}

// The bitmap the whole decoded picture gives.
std::vector<uint8_t> wholeBitmap(const std::string& path) {
    Image image;
    EXPECT_TRUE(loadImage(path, image)) << path << " " << lastError();
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(encodeBmp(image, SaveOptions{}, bytes));
    return bytes;
}

std::string save(const TestFolder& dir, const std::string& name, const Image& image, int format,
                 bool interlace = false) {
    SaveOptions options;
    options.format = format;
    options.interlace = interlace;
    options.jpegQuality = 90;
    const std::string path = dir.file(name);
    EXPECT_TRUE(saveImage(path, image, options)) << name << " " << lastError();
    return path;
}

// EXIF holding one tag: the orientation.
std::vector<uint8_t> exifTurned(uint8_t orientation) {
    return {'I', 'I', 42, 0, 8, 0,           0, 0, 1, 0, 0x12, 0x01, 3,
            0,   1,   0,  0, 0, orientation, 0, 0, 0, 0, 0,    0,    0};
}

// A PNG whose eXIf chunk follows the pixels: the orientation is known only at the end.
std::vector<uint8_t> exifAfterPixels(std::vector<uint8_t> png) {
    const auto be32 = [&](size_t at) {
        return uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 | uint32_t(png[at + 2]) << 8 |
               png[at + 3];
    };
    std::vector<uint8_t> exif, rest(png.begin(), png.begin() + 8);
    size_t iend = 0;
    for (size_t at = 8; at + 12 <= png.size(); at += be32(at) + 12) {
        const std::vector<uint8_t> chunk(png.begin() + long(at),
                                         png.begin() + long(at + be32(at) + 12));
        if (std::memcmp(&png[at + 4], "eXIf", 4) == 0)
            exif = chunk;
        else if (std::memcmp(&png[at + 4], "IEND", 4) == 0)
            iend = rest.size(), rest.insert(rest.end(), chunk.begin(), chunk.end());
        else
            rest.insert(rest.end(), chunk.begin(), chunk.end());
    }
    EXPECT_FALSE(exif.empty());
    rest.insert(rest.begin() + long(iend), exif.begin(), exif.end());
    return rest;
}

// A 24-bit bitmap stored top-down (a negative height), which decodes from the top row first.
std::vector<uint8_t> topDown(std::vector<uint8_t> bmp, int height) {
    const uint32_t offset = uint32_t(bmp[10]) | uint32_t(bmp[11]) << 8;
    const size_t row = (bmp.size() - offset) / size_t(height);
    for (int y = 0; y < height / 2; ++y)
        std::swap_ranges(bmp.begin() + long(offset + row * size_t(y)),
                         bmp.begin() + long(offset + row * size_t(y + 1)),
                         bmp.begin() + long(offset + row * size_t(height - 1 - y)));
    const int32_t negative = -height;
    std::memcpy(&bmp[22], &negative, 4);
    return bmp;
}

bool streamedToBmp(const std::string& source, const std::string& target) {
    BmpFileRowSink sink(target);
    return decodeFileRows(source, sink) && sink.finish();
}

}  // namespace

TEST(BmpConversion, GivesTheBitmapOfTheWholePictureWhicheverWayItIsWritten) {
    TestFolder dir;
    const Image rgb = makeImage(1203, 917, {24, false}, 3);  // several bands of rows
    const Image rgba = makeImage(333, 211, {32, false}, 4);
    const Image small = makeImage(333, 211, {24, false}, 5);
    // Written row by row, as the decoder hands the rows over.
    std::vector<std::string> streamed = {
        save(dir, "bmp16", makeImage(333, 211, {16, false}, 6), kSaveBmp),
        save(dir, "bmp24", rgb, kSaveBmp),
        save(dir, "bmp32", rgba, kSaveBmp),
        save(dir, "png24", rgb, kSavePng),
        save(dir, "png32", rgba, kSavePng),
        save(dir, "tif24lzw", small, kSaveTiffLzw),
        save(dir, "tif32", rgba, kSaveTiff),
        save(dir, "pcx24", small, kSavePcx),
        save(dir, "jpg", rgb, kSaveJpeg),
        save(dir, "jp2", small, kSaveJp2),
        XIMORA_TEST_DATA "/tiled.tif",
        XIMORA_TEST_DATA "/strips-jpeg.tif",
    };
    std::vector<std::string> whole = {
        save(dir, "bmp8", makeImage(333, 211, {8, false}, 7), kSaveBmp),
        save(dir, "png8g", makeImage(333, 211, {8, true}, 8), kSavePng),
        save(dir, "png24-adam7", small, kSavePng, true),
        save(dir, "gif", makeImage(333, 211, {8, false}, 9), kSaveGif),
        save(dir, "webp", small, kSaveWebpLossless),
    };
    writeBytes(dir.file("bmp24-top-down"), topDown(bytesOf(dir.file("bmp24")), rgb.height()));
    Image turned = small;
    for (uint8_t orientation : {3, 6}) {
        turned.metadata.exif = exifTurned(orientation);
        const std::string n = std::to_string(orientation);
        whole.push_back(save(dir, "jpg-turned" + n, turned, kSaveJpeg));
        whole.push_back(save(dir, "png-turned" + n, turned, kSavePng));
        writeBytes(dir.file("png-exif-last" + n), exifAfterPixels(bytesOf(whole.back())));
        whole.push_back(dir.file("png-exif-last" + n));
    }

    streamed.push_back(dir.file("bmp24-top-down"));
    std::vector<std::string> all = streamed;
    all.insert(all.end(), whole.begin(), whole.end());
    for (const std::string& source : all) {
        const std::string target = dir.file("out.bmp");
        ASSERT_TRUE(convertFile(source, target, 0)) << source << " " << lastError();
        EXPECT_EQ(bytesOf(target), wholeBitmap(source)) << source;
    }
    // The row path takes the pictures it can write as they come, and declines the others
    // without touching the target.
    for (const std::string& source : streamed) {
        EXPECT_TRUE(streamedToBmp(source, dir.file("rows.bmp"))) << source;
        EXPECT_EQ(bytesOf(dir.file("rows.bmp")), wholeBitmap(source)) << source;
    }
    writeBytes(dir.file("kept.bmp"), {'o', 'l', 'd'});
    for (const std::string& source : whole) {
        EXPECT_FALSE(streamedToBmp(source, dir.file("kept.bmp"))) << source;
        EXPECT_EQ(bytesOf(dir.file("kept.bmp")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
              long(all.size() + 3 - 2));  // every source, out, rows and kept; two data files
}

// Rows in any order, repeated runs included, land where the file stores them.
TEST(BmpConversion, RowsMayComeInAnyOrder) {
    TestFolder dir;
    const Image picture = makeImage(700, 1500, {24, false}, 12);  // 2 100-byte rows, 4 bands
    std::vector<int> order(size_t(picture.height()));
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::shuffle(order.begin(), order.end(), std::mt19937(3));
    RowLayout layout;
    layout.width = picture.width(), layout.height = picture.height(), layout.bitsPerPixel = 24;
    BmpFileRowSink sink(dir.file("shuffled.bmp"));
    ASSERT_TRUE(sink.start(layout));
    for (int y : order) sink.putRow(y, picture.row(y));
    ASSERT_TRUE(sink.finish());
    std::vector<uint8_t> expected;
    ASSERT_TRUE(encodeBmp(picture, SaveOptions{}, expected));
    EXPECT_EQ(bytesOf(dir.file("shuffled.bmp")), expected);

    // A row missing, or one given twice, leaves no file.
    BmpFileRowSink missing(dir.file("missing.bmp"));
    ASSERT_TRUE(missing.start(layout));
    for (int y = 1; y < picture.height(); ++y) missing.putRow(y, picture.row(y));
    EXPECT_FALSE(missing.finish());
    BmpFileRowSink twice(dir.file("twice.bmp"));
    ASSERT_TRUE(twice.start(layout));
    for (int y = 0; y < picture.height(); ++y) twice.putRow(y, picture.row(y));
    twice.putRow(5, picture.row(5));
    EXPECT_FALSE(twice.finish());
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.bmp")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("twice.bmp")));
}

TEST(BmpConversion, AFailureLeavesTheTargetAndSaysWhatFailed) {
    TestFolder dir;
    const std::string source =
        save(dir, "photo.png", makeImage(1000, 800, {24, false}, 1), kSavePng);
    const std::string target = dir.file("out.bmp");
    writeBytes(target, {'o', 'l', 'd'});

    // The disk takes 1 MB of the 2.4 MB bitmap.
    const int status = runInChild([&] {
        limitFileSize(1 << 20);
        bool sourceFailed = true;
        if (convertFile(source, target, 0, &sourceFailed)) return 1;
        if (sourceFailed || lastError() != kErrCannotWrite || lastErrorReason() != EFBIG) return 2;
        return 0;
    });
    EXPECT_EQ(status, 0);

    // A source cut short in its pixels fails as loading it fails.
    std::vector<uint8_t> cut = bytesOf(source);
    cut.resize(cut.size() / 2);
    writeBytes(dir.file("cut.png"), cut);
    Image ignored;
    ASSERT_FALSE(loadImage(dir.file("cut.png"), ignored));
    const int loadError = lastError();
    bool sourceFailed = false;
    EXPECT_FALSE(convertFile(dir.file("cut.png"), target, 0, &sourceFailed));
    EXPECT_TRUE(sourceFailed);
    EXPECT_EQ(lastError(), loadError);

    // A folder that takes no new file.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    if (::access(dir.path().c_str(), W_OK) != 0) {  // not when the tests run as root
        EXPECT_FALSE(convertFile(source, target, 0, &sourceFailed));
        EXPECT_FALSE(sourceFailed);
        EXPECT_EQ(lastError(), kErrCannotCreate);
    }
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    EXPECT_EQ(bytesOf(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}
