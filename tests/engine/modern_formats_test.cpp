// The files in tests/data/modern-formats were written by the formats' reference encoders
// (cwebp, img2webp, heif-enc, avifenc, cjxl; see make-files there) from the PNG sources beside
// them. Each must load through content detection at the right size, depth and page count,
// with pixels close to its source (exactly equal where the file is lossless) and with its
// colour profile.

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "codec_test_io.h"
#include "engine/codecs/avif/avif_codec.h"
#include "engine/codecs/heif/heif_codec.h"
#include "engine/codecs/page_count.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/geometry/geometry.h"
#include "engine/io/file_io.h"
#include "engine/thumbs/folder_cache_refresh.h"
#include "engine/thumbs/thumbnail_loader.h"
#include "op_test_images.h"
#include "thumbs_test_folder.h"

using namespace ximora::engine;

namespace {

const std::string kFolder = std::string(XIMORA_TEST_DATA) + "/modern-formats/";

Image load(const std::string& name, FileFormat* format = nullptr) {
    Image image;
    EXPECT_TRUE(loadImage(kFolder + name, image, {}, format)) << name << " error " << lastError();
    return image;
}

std::vector<uint8_t> bytesOf(const std::string& name) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(readWholeFile(kFolder + name, bytes)) << name;
    return bytes;
}

// Colours laid over white, as a viewer shows a picture with alpha.
Colour overWhite(Colour c) {
    const auto mix = [&](int v) { return uint8_t((v * c.a + 255 * (255 - c.a) + 127) / 255); };
    return Colour{mix(c.r), mix(c.g), mix(c.b), 255};
}

// Peak signal-to-noise ratio of the colours (over white), in decibels; 99 when equal.
double psnr(const Image& a, const Image& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const Colour p = overWhite(a.pixel(x, y)), q = overWhite(b.pixel(x, y));
            for (int d : {p.r - q.r, p.g - q.g, p.b - q.b}) sum += double(d) * d;
        }
    if (sum == 0) return 99;
    return 10 * std::log10(255.0 * 255.0 / (sum / (3.0 * a.width() * a.height())));
}

struct Reference {
    const char* file;
    const char* source;
    FileFormat format;
    int code;          // colour code read
    double leastPsnr;  // 99: exact
    int pages = 1;
};

}  // namespace

TEST(ModernFormats, ReferenceFilesReadCloseToTheirSources) {
    const Reference references[] = {
        {"photo-q90.webp", "photo.png", FileFormat::Webp, 24, 32},
        {"photo-lossless.webp", "photo.png", FileFormat::Webp, 24, 99},
        {"alpha-lossless.webp", "alpha.png", FileFormat::Webp, 32, 99},
        {"alpha-q90.webp", "alpha.png", FileFormat::Webp, 32, 30},
        {"anim.webp", "frame1.png", FileFormat::Webp, 24, 99, 3},
        {"photo-q90.heic", "photo.png", FileFormat::Heif, 24, 32},
        {"deep-10bit.heic", "deep.png", FileFormat::Heif, 24, 32},
        {"alpha.heic", "alpha.png", FileFormat::Heif, 32, 30},
        {"two-images.heic", "photo.png", FileFormat::Heif, 24, 32, 2},
        {"photo-q.avif", "photo.png", FileFormat::Avif, 24, 32},
        {"deep-10bit.avif", "deep.png", FileFormat::Avif, 24, 32},
        {"deep-12bit.avif", "deep.png", FileFormat::Avif, 24, 32},
        {"alpha.avif", "alpha.png", FileFormat::Avif, 32, 30},
        {"grey.avif", "grey.png", FileFormat::Avif, 80, 32},
        {"anim.avif", "frame1.png", FileFormat::Avif, 32, 45, 3},  // avifenc adds alpha
        {"photo-d1.jxl", "photo.png", FileFormat::Jxl, 24, 32},
        {"photo-lossless.jxl", "photo.png", FileFormat::Jxl, 24, 99},
        {"alpha-lossless.jxl", "alpha.png", FileFormat::Jxl, 32, 99},
        {"deep.jxl", "deep.png", FileFormat::Jxl, 24, 32},
        {"grey-lossless.jxl", "grey.png", FileFormat::Jxl, 80, 99},
        {"anim.jxl", "frame1.png", FileFormat::Jxl, 24, 99, 3},
    };
    for (const Reference& r : references) {
        SCOPED_TRACE(r.file);
        FileFormat format = FileFormat::Unknown;
        const Image image = load(r.file, &format);
        const Image source = load(r.source);
        EXPECT_EQ(format, r.format);
        ASSERT_EQ(image.width(), source.width());
        ASSERT_EQ(image.height(), source.height());
        EXPECT_EQ(image.colourCode(), r.code);
        const std::vector<uint8_t> bytes = bytesOf(r.file);
        EXPECT_EQ(countPages(bytes.data(), bytes.size()), r.pages);
        const double measured = psnr(image, source);
        EXPECT_GE(measured, r.leastPsnr);
        if (r.leastPsnr == 99) {
            EXPECT_TRUE(test::sameColours(image, source));
        }
        RecordProperty(r.file, std::to_string(measured));
    }
    EXPECT_EQ(formatExtension(FileFormat::Webp), "webp");
    EXPECT_EQ(formatExtension(FileFormat::Heif), "heic");
    EXPECT_EQ(formatExtension(FileFormat::Avif), "avif");
    EXPECT_EQ(formatExtension(FileFormat::Jxl), "jxl");
}

// 10-, 12- and 16-bit samples must come down to 8 bits rounded, not cut: against the source's
// exactly rounded levels (libpng scales 16 bits accurately), the lossless files are off by at
// most one level and on average by nearly nothing; cutting would lose 0.4 levels on average.
TEST(ModernFormats, DeepSamplesAreRoundedToEightBits) {
    const Image source = load("deep.png");
    for (const char* name : {"deep-10bit-lossless.heic", "deep-10bit-lossless.avif",
                             "deep-12bit-lossless.avif", "deep-lossless.jxl"}) {
        SCOPED_TRACE(name);
        const Image image = load(name);
        ASSERT_EQ(image.bitsPerPixel(), 24);
        ASSERT_EQ(image.width(), source.width());
        double signedSum = 0;
        int worst = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const Colour p = image.pixel(x, y), q = source.pixel(x, y);
                for (int d : {p.r - q.r, p.g - q.g, p.b - q.b}) {
                    signedSum += d;
                    worst = std::max(worst, std::abs(d));
                }
            }
        EXPECT_LE(worst, 1);
        EXPECT_LT(std::abs(signedSum / (3.0 * image.width() * image.height())), 0.15);
    }
}

// Rotation (irot: a quarter turn anticlockwise) and then mirror (imir mode 1: left and right)
// come out as the source turned and mirrored by the geometry operations; libheif, which
// applies them itself, agrees with the AVIF codec.
TEST(ModernFormats, RotationAndMirrorPropertiesAreApplied) {
    Image expected = load("photo.png");
    ASSERT_TRUE(turn(expected, 1));
    ASSERT_TRUE(flipHorizontal(expected));
    const Image image = load("photo-irot1-imir1.avif");
    ASSERT_EQ(image.width(), 64);
    ASSERT_EQ(image.height(), 96);
    EXPECT_GE(psnr(image, expected), 32);

    const std::vector<uint8_t> bytes = bytesOf("photo-irot1-imir1.avif");
    Image throughLibheif;
    ASSERT_TRUE(test::decodeWith(heifCodec(), bytes, throughLibheif)) << lastError();
    ASSERT_EQ(throughLibheif.width(), 64);
    EXPECT_GE(psnr(throughLibheif, image), 40);
}

// A clean aperture crops the picture, also where its corner falls on an odd row of 4:2:0
// chroma: the white band between black rows 0–6 and 263–269 of the coded frame is all that
// shows, in the picture, its facts and its thumbnail.
TEST(ModernFormats, CleanApertureCropsThePicture) {
    const Image image = load("band-clap.avif");
    ASSERT_EQ(image.width(), 480);
    ASSERT_EQ(image.height(), 256);
    for (int y : {0, 128, 255})
        for (int x : {0, 240, 479}) EXPECT_GE(image.pixel(x, y).g, 235) << x << "," << y;
    ImageFacts facts;
    ASSERT_TRUE(readImageFacts(kFolder + "band-clap.avif", facts));
    EXPECT_EQ(facts.height, 256);
    Image thumb;
    ASSERT_TRUE(loadThumbnail(kFolder + "band-clap.avif", 96, thumb));
    EXPECT_GE(thumb.pixel(0, 0).g, 235);
}

// An embedded ICC profile is kept as it is; an nclx description becomes a profile with its
// primaries (Display P3's red, adapted to D50, as ICC profiles hold it).
TEST(ModernFormats, ColourProfilesAreKept) {
    const std::vector<uint8_t> adobe = load("photo-adobe.png").metadata.icc;
    ASSERT_FALSE(adobe.empty());
    for (const char* name :
         {"photo-adobe.webp", "photo-adobe.heic", "photo-adobe.avif", "photo-adobe.jxl"})
        EXPECT_EQ(load(name).metadata.icc, adobe) << name;

    // heif-enc writes the nclx box into AVIF files only (into HEVC's own stream otherwise), so
    // libheif's side is tried on the AVIF file.
    Image throughLibheif;
    ASSERT_TRUE(test::decodeWith(heifCodec(), bytesOf("photo-p3.avif"), throughLibheif));
    for (const auto& [name, icc] : {std::pair{"avif", load("photo-p3.avif").metadata.icc},
                                    std::pair{"heif", throughLibheif.metadata.icc}}) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(icc.empty());
        cmsHPROFILE profile = cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size()));
        ASSERT_TRUE(profile);
        const auto* red = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, cmsSigRedColorantTag));
        ASSERT_TRUE(red);
        EXPECT_NEAR(red->X, 0.5151, 0.002);
        EXPECT_NEAR(red->Y, 0.2412, 0.002);
        cmsCloseProfile(profile);
    }
    // An sRGB description needs no profile.
    EXPECT_TRUE(load("photo-q.avif").metadata.icc.empty());
    EXPECT_TRUE(load("photo-d1.jxl").metadata.icc.empty());
}

// A damaged file is refused with the usual messages, never a crash: a file cut short reads as
// "ﾌｧｲﾙが読み込みできません" (23) or "ﾌｧｲﾙが壊れています" (17), garbage after a valid opening
// as 17 or "ﾌｧｲﾙが不正です" (6).
TEST(ModernFormats, DamagedFilesFailCleanly) {
    for (const char* name : {"photo-q90.webp", "photo-lossless.webp", "anim.webp", "photo-q90.heic",
                             "photo-q.avif", "anim.avif", "photo-d1.jxl", "photo-lossless.jxl"}) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> whole = bytesOf(name);
        for (size_t keep : {size_t(20), whole.size() / 3, whole.size() / 2, whole.size() - 7}) {
            const std::vector<uint8_t> cut(whole.begin(), whole.begin() + ptrdiff_t(keep));
            const int error = test::loadError(cut);
            EXPECT_TRUE(error == kErrCannotRead || error == kErrFileBroken || error == kErrBadFile)
                << keep << " bytes: error " << error;
        }
        std::vector<uint8_t> scrambled = whole;
        for (size_t i = 40; i < scrambled.size(); i += 3) scrambled[i] ^= 0x5A;
        Image image;
        if (!loadImageFromMemory(scrambled.data(), scrambled.size(), image)) {
            const int error = lastError();
            EXPECT_TRUE(error == kErrCannotRead || error == kErrFileBroken ||
                        error == kErrBadFile || error == kErrUnsupported)
                << "scrambled: error " << error;
        }
    }
}

// A picture coded larger than its file declares is refused before it is decoded: the memory
// budget is judged by the declared size (a forged 1 KB HEIF file declaring 64 × 48 once took
// 3.5 GB and 12 s to fail).
TEST(ModernFormats, APictureCodedLargerThanDeclaredIsRefused) {
    std::vector<uint8_t> forged = bytesOf("photo-q90.heic");  // 96 × 64
    for (size_t at = 0; at + 16 <= forged.size(); ++at)
        if (std::memcmp(&forged[at], "ispe", 4) == 0)
            for (size_t field : {at + 8, at + 12}) forged[field + 2] = 0, forged[field + 3] = 16;
    Image image;
    EXPECT_FALSE(test::decodeWith(heifCodec(), forged, image));
    EXPECT_EQ(lastError(), kErrFileBroken);
    EXPECT_TRUE(image.empty());

    // The same through libavif: an 8192 × 8192 AV1 frame in a file declaring 64 × 48.
    std::vector<uint8_t> avif;
    ASSERT_TRUE(readWholeFile(XIMORA_TEST_DATA "/avif-coded-larger-than-declared.avif", avif));
    EXPECT_FALSE(test::decodeWith(avifCodec(), avif, image));
    EXPECT_EQ(lastError(), kErrFileBroken);
    EXPECT_TRUE(image.empty());
}

// A folder of them gets a thumbnail for every file, none failed, through the same refresh as
// the browser and `ximora-batch thumbs`.
TEST(ModernFormats, AFolderOfThemGetsThumbnails) {
    test::TestFolder folder;
    size_t copied = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kFolder)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".webp" && ext != ".heic" && ext != ".avif" && ext != ".jxl") continue;
        std::filesystem::copy_file(entry.path(), folder.file(entry.path().filename().string()));
        ++copied;
    }
    ASSERT_GE(copied, 20u);
    ThumbnailProducer producer(loadThumbnail, 2);
    FolderCacheReport report;
    ASSERT_TRUE(
        refreshFolderCache(folder.path(), folder.file("Thmb100.Dat"), {}, 100, producer, report));
    EXPECT_EQ(report.files, copied);
    EXPECT_EQ(report.made, copied);
    EXPECT_EQ(report.failed, 0u);
}

// Thumbnails of a HEIF file with an embedded thumbnail decode that one when it is large
// enough on both sides, the full picture otherwise.
TEST(ModernFormats, EmbeddedHeifThumbnailServesSmallSizes) {
    const std::vector<uint8_t> bytes = bytesOf("photo-thumbnail.heic");
    for (auto [minSide, width] : {std::pair{30, 48}, {40, 96}, {0, 96}}) {
        Image image;
        ASSERT_TRUE(test::decodeWith(heifCodec(), bytes, image, minSide)) << lastError();
        EXPECT_EQ(image.width(), width) << minSide;
    }
}
