#include <gtest/gtest.h>

#include <filesystem>

#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/formats/file_conversion.h"
#include "engine/formats/format_rules.h"
#include "op_test_images.h"

using namespace ximora::engine;
using ximora::engine::test::randomImage;
namespace fs = std::filesystem;

TEST(FormatRules, ExtensionsAndSaveCodes) {
    EXPECT_EQ(lowerExtension("/a.b/Photo.JPG"), "jpg");
    EXPECT_EQ(lowerExtension("/a.b/noext"), "");
    EXPECT_EQ(lowerExtension("x.tar.GZ"), "gz");
    const struct {
        const char* ext;
        int editor, conversion;
    } cases[] = {{"bmp", 1, 0},   {"jpg", 2, 2},   {"gif", 4, 4},   {"tif", 5, 5},
                 {"png", 12, 12}, {"fpx", 13, 13}, {"pcx", 16, 16}, {"jp2", 21, 21},
                 {"j2k", 22, 22}, {"jpc", 22, 22}, {"jpeg", 2, 2},  {"jpe", 2, 2},
                 {"jfif", 2, 2},  {"tiff", 5, 5},  {"xyz", 0, 2},   {"", 0, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(editorSaveFormat(c.ext), c.editor) << c.ext;
        EXPECT_EQ(conversionSaveFormat(c.ext), c.conversion) << c.ext;
    }
}

TEST(FormatRules, ColourCodesAcceptedAndConversions) {
    // {extension, code, required}
    const struct {
        const char* ext;
        int code, required;
    } cases[] = {{"jpg", 80, 0}, {"jpg", 24, 0},  {"jpg", 8, 24},  {"jpg", 32, 24}, {"jp2", 4, 24},
                 {"png", 1, 0},  {"png", 40, 0},  {"png", 16, 24}, {"png", 32, 24}, {"pcx", 8, 0},
                 {"gif", 8, 0},  {"gif", 24, 8},  {"gif", 16, 8},  {"bmp", 32, 0},  {"tif", 16, 0},
                 {"xyz", 16, 0}, {"fpx", 40, 24}, {"jpeg", 8, 24}, {"tiff", 16, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(requiredColourCode(c.ext, c.code), c.required) << c.ext << c.code;
}

TEST(FileConversion, FollowsTheTargetExtension) {
    const fs::path folder =
        fs::temp_directory_path() / ("ximora-convert-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string source = (folder / "in.bmp").string();
    SaveOptions options;
    ASSERT_TRUE(saveImage(source, randomImage(8, 6, 32), options));

    // 32 bits into PCX: converted to 24 first.
    ASSERT_TRUE(convertFile(source, (folder / "out.PCX").string(), 0));
    Image back;
    FileFormat format;
    ASSERT_TRUE(loadImage((folder / "out.PCX").string(), back, {}, &format));
    EXPECT_EQ(format, FileFormat::Pcx);
    EXPECT_EQ(back.bitsPerPixel(), 24);

    // BMP stays at its depth; FlashPix takes 24 bits, as JPEG does.
    ASSERT_TRUE(convertFile(source, (folder / "out.bmp").string(), 0));
    ASSERT_TRUE(loadImage((folder / "out.bmp").string(), back));
    EXPECT_EQ(back.bitsPerPixel(), 32);
    ASSERT_TRUE(convertFile(source, (folder / "out.fpx").string(), 0));
    ASSERT_TRUE(loadImage((folder / "out.fpx").string(), back, {}, &format));
    EXPECT_EQ(format, FileFormat::FlashPix);
    EXPECT_EQ(back.bitsPerPixel(), 24);

    // JPEG 2000 names get JPEG 2000 data; a name without extension, and any unknown one, JPEG.
    const struct {
        const char* name;
        FileFormat format;
    } written[] = {{"a.jp2", FileFormat::Jp2},
                   {"a.J2K", FileFormat::J2k},
                   {"a.jpc", FileFormat::J2k},
                   {"noext", FileFormat::Jpeg},
                   {"a.xyz", FileFormat::Jpeg}};
    for (const auto& w : written) {
        ASSERT_TRUE(convertFile(source, (folder / w.name).string(), 0)) << w.name << lastError();
        ASSERT_TRUE(loadImage((folder / w.name).string(), back, {}, &format));
        EXPECT_EQ(format, w.format) << w.name;
        EXPECT_EQ(back.bitsPerPixel(), 24) << w.name;
    }

    EXPECT_FALSE(convertFile((folder / "missing.bmp").string(), (folder / "x.bmp").string(), 0));
    EXPECT_EQ(lastError(), kErrFileNotFound);
    EXPECT_FALSE(convertFile(source, (folder / "x.bmp").string(), 101));
    EXPECT_EQ(lastError(), kErrBadParameter);
    fs::remove_all(folder);
}
