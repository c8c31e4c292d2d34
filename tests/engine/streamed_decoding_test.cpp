// The header readers and row decoders (Codec::readFacts, Codec::decodeRows) against whole
// decoding: the same facts, the same thumbnails, for every format and row order.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "codec_test_io.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/io/byte_source.h"
#include "engine/io/file_io.h"
#include "engine/thumbs/thumbnail_loader.h"
#include "engine/thumbs/thumbnail_reducer.h"
#include "engine/thumbs/thumbnail_scale.h"
#include "op_test_images.h"
#include "thumbs_test_folder.h"

using namespace ximora::engine;
using ximora::engine::test::Depth;
using ximora::engine::test::makeImage;
using ximora::engine::test::sameImage;
using ximora::engine::test::TestFolder;

namespace {

struct Sample {
    std::string name;
    int format;
    Depth depth;
    bool interlace = false;
};

// Every writer and depth whose reading takes its own path: bottom-up and run-length bitmaps,
// Adam7 and interlaced GIF rows, strips, planes, DCT scaling, wavelet resolutions.
const Sample kSamples[] = {
    {"bmp1", kSaveBmp, {1, false}},
    {"bmp4rle", kSaveBmpRle, {4, false}},
    {"bmp8rle", kSaveBmpRle, {8, false}},
    {"bmp16", kSaveBmp, {16, false}},
    {"bmp32", kSaveBmp, {32, false}},
    {"png8", kSavePng, {8, false}},
    {"png4g-adam7", kSavePng, {4, true}, true},
    {"png32-adam7", kSavePng, {32, false}, true},
    {"png24", kSavePng, {24, false}},
    {"gif8", kSaveGif, {8, false}},
    {"gif4-interlaced", kSaveGif, {4, false}, true},
    {"tif1", kSaveTiff, {1, false}},
    {"tif24lzw", kSaveTiffLzw, {24, false}},
    {"tif32", kSaveTiff, {32, false}},
    {"pcx1", kSavePcx, {1, false}},
    {"pcx8", kSavePcx, {8, true}},
    {"pcx24", kSavePcx, {24, false}},
    {"jpg", kSaveJpeg, {24, false}},
    {"jpggrey", kSaveJpeg, {8, true}},
    {"jp2", kSaveJp2, {24, false}},
    {"j2k32", kSaveJ2k, {32, false}},
    {"webp", kSaveWebp, {24, false}},
    {"webp32", kSaveWebpLossless, {32, false}},
};

std::string writeSample(const TestFolder& dir, const Sample& s, int width, int height) {
    SaveOptions options;
    options.format = s.format;
    options.interlace = s.interlace;
    options.jpegQuality = 90;
    const std::string path = dir.file(s.name);
    EXPECT_TRUE(saveImage(path, makeImage(width, height, s.depth, 7), options)) << s.name;
    return path;
}

// The thumbnail as the whole decoded picture gives it: the loader's result before it reduced
// rows as they came.
Image wholeThumbnail(const std::string& path, int box) {
    LoadOptions options;
    options.minSide = box;
    options.keepMetadata = false;
    Image image, thumb;
    EXPECT_TRUE(loadImage(path, image, options)) << path << " " << lastError();
    EXPECT_TRUE(makeThumbnail(image, box, thumb));
    return thumb;
}

std::vector<std::string> dataFiles() {
    return {XIMORA_TEST_DATA "/tiled.tif", XIMORA_TEST_DATA "/tiled-jpeg.tif",
            XIMORA_TEST_DATA "/strips-jpeg.tif", XIMORA_TEST_DATA "/tiled.j2k"};
}

// The files of the formats whose libraries decode whole pictures (WebP, HEIF, AVIF, JPEG XL):
// turned, cropped, grey, deep, with alpha, animated, with an embedded thumbnail.
std::vector<std::string> modernFiles() {
    std::vector<std::string> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(XIMORA_TEST_DATA "/modern-formats")) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".webp" || ext == ".heic" || ext == ".avif" || ext == ".jxl")
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Counts what a header reader asks for, from content that is not in memory.
class CountingSource final : public ByteSource {
  public:
    explicit CountingSource(const std::vector<uint8_t>& bytes)
        : inner_(bytes.data(), bytes.size()) {}
    uint64_t size() const override { return inner_.size(); }
    size_t read(uint64_t offset, void* out, size_t length) override {
        const size_t got = inner_.read(offset, out, length);
        bytesRead += got;
        return got;
    }
    uint64_t bytesRead = 0;

  private:
    MemorySource inner_;
};

}  // namespace

TEST(StreamedDecoding, ThumbnailsEqualThoseOfTheWholePicture) {
    TestFolder dir;
    std::vector<std::string> files;
    for (const Sample& s : kSamples) files.push_back(writeSample(dir, s, 333, 211));
    for (const std::string& data : dataFiles()) files.push_back(data);
    for (const std::string& path : files)
        for (int box : {64, 100, 500}) {  // 500: larger than the picture, nothing reduced
            Image streamed;
            ASSERT_TRUE(loadThumbnail(path, box, streamed)) << path << " " << lastError();
            EXPECT_TRUE(sameImage(streamed, wholeThumbnail(path, box))) << path << " " << box;
        }
}

TEST(StreamedDecoding, ThumbnailsTurnUprightLikeThePicture) {
    TestFolder dir;
    Image photo = makeImage(240, 120, {24, false}, 3);
    for (uint8_t orientation : {3, 6, 7}) {
        // EXIF with one tag: the orientation.
        photo.metadata.exif = {'I', 'I', 42, 0, 8, 0,           0, 0, 1, 0, 0x12, 0x01, 3,
                               0,   1,   0,  0, 0, orientation, 0, 0, 0, 0, 0,    0,    0};
        for (int format : {kSaveJpeg, kSavePng, kSaveWebp}) {
            SaveOptions options;
            options.format = format;
            const std::string path = dir.file("turned" + std::to_string(format));
            ASSERT_TRUE(saveImage(path, photo, options));
            Image streamed;
            ASSERT_TRUE(loadThumbnail(path, 50, streamed));
            EXPECT_TRUE(sameImage(streamed, wholeThumbnail(path, 50))) << int(orientation);
            ImageFacts facts;
            ASSERT_TRUE(readImageFacts(path, facts));
            EXPECT_EQ(facts.width, orientation >= 5 ? 120 : 240) << int(orientation);
        }
    }
}

TEST(StreamedDecoding, FactsAreThoseOfTheDecodedPictureFromAFewKilobytes) {
    TestFolder dir;
    std::vector<std::string> files;
    // Large enough that reading the whole file would show.
    for (const Sample& s : kSamples) files.push_back(writeSample(dir, s, 640, 480));
    for (const std::string& data : dataFiles()) files.push_back(data);
    for (const std::string& modern : modernFiles()) files.push_back(modern);
    EXPECT_GT(files.size(), std::size(kSamples) + 20);
    for (const std::string& path : files) {
        Image image;
        FileFormat loaded = FileFormat::Unknown, read = FileFormat::Unknown;
        ASSERT_TRUE(loadImage(path, image, {}, &loaded)) << path;
        ImageFacts facts;
        ASSERT_TRUE(readImageFacts(path, facts, &read)) << path << " " << lastError();
        EXPECT_EQ(read, loaded) << path;
        EXPECT_EQ(facts.width, image.width()) << path;
        EXPECT_EQ(facts.height, image.height()) << path;
        EXPECT_EQ(facts.colourCode(), image.colourCode()) << path;
        EXPECT_EQ(facts.dpiX, image.dpiX) << path;
        EXPECT_EQ(facts.dpiY, image.dpiY) << path;

        std::vector<uint8_t> bytes;
        ASSERT_TRUE(readWholeFile(path, bytes));
        CountingSource source(bytes);
        ASSERT_TRUE(readImageFacts(source, facts)) << path;
        if (bytes.size() > (uint64_t(256) << 10)) {
            EXPECT_LT(source.bytesRead, uint64_t(160) << 10) << path << " of " << bytes.size();
        }
    }
}

// The reduction is exact whatever order the rows come in, in pieces or as repeated rows.
TEST(StreamedDecoding, ReducerIgnoresTheOrderOfRows) {
    const Image picture = makeImage(97, 61, {8, false}, 5);
    Image expected;
    ASSERT_TRUE(makeThumbnail(picture, 20, expected));
    RowLayout layout{picture.width(), picture.height(), 8, false, picture.palette};

    std::vector<int> order(size_t(picture.height()));
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::shuffle(order.begin(), order.end(), std::mt19937(11));
    ThumbnailReducer shuffled(20);
    ASSERT_TRUE(shuffled.start(layout));
    for (int y : order) {
        // Each row in two interleaved halves, as interlaced passes deliver pixels.
        std::vector<uint8_t> even, odd;
        for (int x = 0; x < picture.width(); ++x) (x % 2 ? odd : even).push_back(picture.row(y)[x]);
        shuffled.putPixels(y, 1, 2, int(odd.size()), odd.data());
        shuffled.putPixels(y, 0, 2, int(even.size()), even.data());
    }
    Image thumb;
    ASSERT_TRUE(shuffled.finish(thumb));
    EXPECT_TRUE(sameImage(thumb, expected));

    // Runs of equal rows, handed over once per run.
    Image banded = picture;
    for (int y = 10; y < 40; ++y) std::copy_n(banded.row(9), banded.width(), banded.row(y));
    ASSERT_TRUE(makeThumbnail(banded, 20, expected));
    ThumbnailReducer runs(20);
    ASSERT_TRUE(runs.start(layout));
    for (int y = 0; y < 10; ++y) runs.putRow(y, banded.row(y));
    runs.putRepeatedRow(10, 40, banded.row(9));
    for (int y = banded.height() - 1; y >= 40; --y) runs.putRow(y, banded.row(y));
    ASSERT_TRUE(runs.finish(thumb));
    EXPECT_TRUE(sameImage(thumb, expected));
}
