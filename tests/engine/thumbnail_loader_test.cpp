#include <gtest/gtest.h>

#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/io/atomic_file.h"
#include "engine/io/file_io.h"
#include "engine/thumbs/thumbnail_loader.h"
#include "thumbs_test_folder.h"

using namespace ximora::engine;
using ximora::engine::test::TestFolder;

namespace {

// Left half red, right half blue, so a thumbnail shows whether it kept its orientation.
Image halves(int w, int h) {
    Image image;
    image.allocate(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.row(y) + 3 * x;
            p[0] = x < w / 2 ? 220 : 20, p[1] = 20, p[2] = x < w / 2 ? 20 : 220;
        }
    return image;
}

}  // namespace

TEST(ThumbnailLoader, DecodesJpegAtReducedSize) {
    if (!codecForSaveFormat(kSaveJpeg)) GTEST_SKIP() << "no JPEG codec in this build";
    TestFolder dir;
    SaveOptions jpeg;
    jpeg.format = kSaveJpeg;
    jpeg.jpegQuality = 90;
    ASSERT_TRUE(saveImage(dir.file("wide.jpg"), halves(1600, 1200), jpeg));
    Image thumb;
    ASSERT_TRUE(loadThumbnail(dir.file("wide.jpg"), 100, thumb));
    EXPECT_EQ(thumb.width(), 100);
    EXPECT_EQ(thumb.height(), 75);
    EXPECT_EQ(thumb.bitsPerPixel(), 24);
    const Colour left = thumb.pixel(10, 40), right = thumb.pixel(90, 40);
    EXPECT_GT(left.r, 180);
    EXPECT_GT(right.b, 180);

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(encodeImage(halves(64, 64), jpeg, bytes));
    bytes.resize(bytes.size() / 3);
    ASSERT_TRUE(writeFileAtomically(dir.file("cut.jpg"), bytes.data(), bytes.size()));
    EXPECT_FALSE(loadThumbnail(dir.file("cut.jpg"), 100, thumb));
    EXPECT_TRUE(lastError() == kErrCannotRead || lastError() == kErrFileBroken) << lastError();
}

TEST(ThumbnailLoader, CameraPhotosShowUpright) {
    if (!codecForSaveFormat(kSaveJpeg)) GTEST_SKIP() << "no JPEG codec in this build";
    TestFolder dir;
    Image photo = halves(400, 200);
    // EXIF with one tag: orientation 6, "turn 90° clockwise to view".
    photo.metadata.exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3,
                           0,   1,   0,  0, 0, 6, 0, 0, 0, 0, 0,    0,    0};
    SaveOptions jpeg;
    jpeg.format = kSaveJpeg;
    jpeg.jpegQuality = 90;
    ASSERT_TRUE(saveImage(dir.file("camera.jpg"), photo, jpeg));
    Image thumb;
    ASSERT_TRUE(loadThumbnail(dir.file("camera.jpg"), 100, thumb));
    EXPECT_EQ(thumb.width(), 50);
    EXPECT_EQ(thumb.height(), 100);
    // Turned clockwise, the red left half is now on top.
    EXPECT_GT(thumb.pixel(25, 10).r, 180);
    EXPECT_GT(thumb.pixel(25, 90).b, 180);
}

// Every format the engine writes gives a thumbnail of the fitted size with the right colours;
// JPEG 2000 is decoded at a reduced resolution on the way.
TEST(ThumbnailLoader, EveryFormatGivesAThumbnail) {
    TestFolder dir;
    const Image photo = halves(640, 320);
    for (int format : {kSaveBmp, kSaveJpeg, kSaveTiffLzw, kSavePng, kSavePcx, kSaveJp2, kSaveJ2k,
                       kSaveFpx, kSaveFpxCompressed}) {
        if (!codecForSaveFormat(format)) continue;
        SaveOptions options;
        options.format = format;
        options.jpegQuality = 95;
        const std::string path = dir.file("image" + std::to_string(format));
        ASSERT_TRUE(saveImage(path, photo, options)) << format;
        Image thumb;
        ASSERT_TRUE(loadThumbnail(path, 64, thumb)) << format;
        EXPECT_EQ(thumb.width(), 64) << format;
        EXPECT_EQ(thumb.height(), 32) << format;
        EXPECT_GT(thumb.pixel(5, 16).r, 180) << format;
        EXPECT_GT(thumb.pixel(58, 16).b, 180) << format;
    }
}

TEST(ThumbnailLoader, FitsBmpIntoTheSquare) {
    TestFolder dir;
    ASSERT_TRUE(saveImage(dir.file("tall.bmp"), halves(120, 300), SaveOptions{}));
    ASSERT_TRUE(saveImage(dir.file("small.bmp"), halves(40, 30), SaveOptions{}));
    Image thumb;
    ASSERT_TRUE(loadThumbnail(dir.file("tall.bmp"), 100, thumb));
    EXPECT_EQ(thumb.width(), 40);
    EXPECT_EQ(thumb.height(), 100);
    ASSERT_TRUE(loadThumbnail(dir.file("small.bmp"), 100, thumb));
    EXPECT_EQ(thumb.width(), 40);
    EXPECT_EQ(thumb.height(), 30);
    EXPECT_EQ(thumb.pixel(0, 0), (Colour{220, 20, 20, 255}));
}

TEST(ThumbnailLoader, CorruptAndVanishedFilesFail) {
    TestFolder dir;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(encodeImage(halves(64, 64), SaveOptions{}, bytes));
    bytes.resize(bytes.size() / 3);
    ASSERT_TRUE(writeFileAtomically(dir.file("cut.bmp"), bytes.data(), bytes.size()));
    dir.write("text.jpg", "not an image at all");

    Image thumb;
    EXPECT_FALSE(loadThumbnail(dir.file("cut.bmp"), 100, thumb));
    EXPECT_TRUE(lastError() == kErrCannotRead || lastError() == kErrFileBroken) << lastError();
    EXPECT_FALSE(loadThumbnail(dir.file("text.jpg"), 100, thumb));
    EXPECT_EQ(lastError(), kErrBadFile);
    EXPECT_FALSE(loadThumbnail(dir.file("gone.jpg"), 100, thumb));
    EXPECT_EQ(lastError(), kErrFileNotFound);
    EXPECT_TRUE(thumb.empty());
}

namespace {

Image plain(int w, int h, Colour c) {
    Image image;
    image.allocate(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.row(y)[3 * x] = c.r, image.row(y)[3 * x + 1] = c.g, image.row(y)[3 * x + 2] = c.b;
    return image;
}

// A red picture whose EXIF block carries an orientation and, as cameras store it in IFD1, a
// green preview of previewW × previewH.
std::string cameraFile(const TestFolder& dir, const std::string& name, int orientation,
                       int previewW, int previewH) {
    SaveOptions jpeg;
    jpeg.format = kSaveJpeg;
    std::vector<uint8_t> preview;
    EXPECT_TRUE(encodeImage(plain(previewW, previewH, {0, 200, 0, 255}), jpeg, preview));
    std::vector<uint8_t> exif;
    const auto u16 = [&](uint32_t v) {
        exif.push_back(uint8_t(v)), exif.push_back(uint8_t(v >> 8));
    };
    const auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    const auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
        u16(tag), u16(type), u32(1), u32(value);
    };
    exif = {'I', 'I'};
    u16(42), u32(8);
    u16(1), entry(274, 3, uint32_t(orientation)), u32(26);  // IFD0, then IFD1 at 26
    u16(3), entry(259, 3, 6), entry(513, 4, 68), entry(514, 4, uint32_t(preview.size())), u32(0);
    exif.insert(exif.end(), preview.begin(), preview.end());
    Image picture = plain(1600, 1200, {220, 0, 0, 255});
    picture.metadata.exif = exif;
    EXPECT_TRUE(saveImage(dir.file(name), picture, jpeg));
    return dir.file(name);
}

bool green(const Image& thumb) {
    return thumb.pixel(thumb.width() / 2, thumb.height() / 2).g > 150;
}

}  // namespace

TEST(ThumbnailLoader, CameraPreviewsStandInOnlyWhenTheyShowTheWholePictureLargeEnough) {
    if (!codecForSaveFormat(kSaveJpeg)) GTEST_SKIP() << "no JPEG codec in this build";
    TestFolder dir;
    Image thumb;
    ASSERT_TRUE(loadThumbnail(cameraFile(dir, "a.jpg", 1, 160, 120), 100, thumb));
    EXPECT_TRUE(green(thumb));
    EXPECT_EQ(thumb.width(), 100);
    EXPECT_EQ(thumb.height(), 75);
    // Too small for the thumbnail asked for: the picture itself is decoded.
    ASSERT_TRUE(loadThumbnail(dir.file("a.jpg"), 200, thumb));
    EXPECT_FALSE(green(thumb));
    EXPECT_EQ(thumb.width(), 200);
    // A preview padded to another shape, or stored the other way round, is not the picture.
    ASSERT_TRUE(loadThumbnail(cameraFile(dir, "bars.jpg", 1, 160, 160), 100, thumb));
    EXPECT_FALSE(green(thumb));
    ASSERT_TRUE(loadThumbnail(cameraFile(dir, "tall.jpg", 1, 120, 160), 100, thumb));
    EXPECT_FALSE(green(thumb));
    // The picture's orientation turns the preview as it turns the picture.
    ASSERT_TRUE(loadThumbnail(cameraFile(dir, "turned.jpg", 6, 160, 120), 100, thumb));
    EXPECT_TRUE(green(thumb));
    EXPECT_EQ(thumb.width(), 75);
    EXPECT_EQ(thumb.height(), 100);
}
