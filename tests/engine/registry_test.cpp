#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/io/file_io.h"
#include "op_test_images.h"

using namespace ximora::engine;
namespace fs = std::filesystem;

namespace {

class TempFolder {
  public:
    TempFolder() {
        path_ = fs::temp_directory_path() / ("ximora-registry-" + std::to_string(::getpid()));
        fs::create_directories(path_);
    }
    ~TempFolder() { fs::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    size_t count() const {
        return size_t(std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
    }

  private:
    fs::path path_;
};

}  // namespace

TEST(FileIo, ReadErrorsNameTheCause) {
    TempFolder folder;
    std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_FALSE(readWholeFile(folder.file("missing.bmp"), bytes));
    EXPECT_EQ(lastError(), kErrFileNotFound);
    fs::create_directory(folder.file("sub"));
    EXPECT_FALSE(readWholeFile(folder.file("sub"), bytes));
    EXPECT_EQ(lastError(), kErrCannotOpen);
    EXPECT_EQ(bytes.size(), 3u);
}

TEST(Registry, DetectsByContentAndRefusesUnknownData) {
    TempFolder folder;
    Image image = ximora::engine::test::randomImage(4, 4, 24);
    SaveOptions options;
    options.format = kSaveBmp;
    // The extension lies; the content decides.
    ASSERT_TRUE(saveImage(folder.file("photo.jpg"), image, options));
    Image back;
    FileFormat format = FileFormat::Unknown;
    ASSERT_TRUE(loadImage(folder.file("photo.jpg"), back, {}, &format));
    EXPECT_EQ(format, FileFormat::Bmp);

    const uint8_t junk[] = "not an image at all";
    EXPECT_FALSE(loadImageFromMemory(junk, sizeof junk, back));
    EXPECT_EQ(lastError(), kErrBadFile);
    EXPECT_EQ(back.width(), 4);  // the previous image stays

    // A compound file cut off in its header cannot be told apart: it is a damaged FlashPix.
    const uint8_t compound[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1, 0, 0};
    EXPECT_FALSE(loadImageFromMemory(compound, sizeof compound, back, {}, &format));
    EXPECT_EQ(format, FileFormat::FlashPix);
    EXPECT_EQ(lastError(), kErrCannotRead);
}

TEST(Registry, SaveFailuresLeaveTheOldFile) {
    TempFolder folder;
    const std::string path = folder.file("keep.bmp");
    Image image = ximora::engine::test::randomImage(4, 4, 8);
    SaveOptions options;
    ASSERT_TRUE(saveImage(path, image, options));
    const auto before = fs::file_size(path);
    options.format = 99;
    EXPECT_FALSE(saveImage(path, image, options));
    EXPECT_EQ(lastError(), kErrBadParameter);
    options.format = kSaveBmp;
    EXPECT_FALSE(saveImage(path, Image{}, options));
    EXPECT_EQ(fs::file_size(path), before);
    EXPECT_EQ(folder.count(), 1u);
}

TEST(Registry, MemoryLimitRefusesBeforeDecoding) {
    const Image image = ximora::engine::test::randomImage(300, 200, 24);
    SaveOptions options;
    for (int format : {kSaveBmp, kSavePcx}) {
        options.format = format;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(encodeImage(image, options, bytes));
        const uint64_t saved = memoryLimit();
        setMemoryLimit(100000);  // below the 180 000-byte raster
        Image back;
        EXPECT_FALSE(loadImageFromMemory(bytes.data(), bytes.size(), back));
        EXPECT_EQ(lastError(), kErrMemory);
        setMemoryLimit(saved);
        EXPECT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), back));
    }
}

// BMP, PNG and JPEG are written into the file as they are encoded; the file must hold exactly
// what encoding in memory gives, small pieces and large ones alike.
TEST(Registry, FilesWrittenWhileEncodingMatchTheEncodingInMemory) {
    TempFolder folder;
    struct Case {
        int format, bits, width, height;
    };
    for (const Case c :
         {Case{kSaveBmp, 24, 700, 500}, Case{kSaveBmp, 1, 33, 9}, Case{kSaveBmpRle, 8, 300, 200},
          Case{kSaveBmp, 32, 5, 3}, Case{kSavePng, 24, 900, 700}, Case{kSavePng, 4, 40, 30},
          Case{kSaveJpeg, 24, 900, 700}, Case{kSaveJpegProgressive, 8, 301, 77}}) {
        const Image image = ximora::engine::test::randomImage(c.width, c.height, c.bits);
        SaveOptions options;
        options.format = c.format;
        std::vector<uint8_t> inMemory, onDisk;
        ASSERT_TRUE(encodeImage(image, options, inMemory));
        const std::string path = folder.file("same");
        ASSERT_TRUE(saveImage(path, image, options)) << c.format << " " << c.bits;
        ASSERT_TRUE(readWholeFile(path, onDisk));
        EXPECT_EQ(onDisk, inMemory) << c.format << " " << c.bits;
    }
    EXPECT_EQ(folder.count(), 1u);  // nothing left beside the file
}
