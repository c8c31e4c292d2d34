#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdlib>
#include <cstring>

#include "codec_test_io.h"
#include "engine/codecs/flashpix/compound_file.h"
#include "engine/codecs/flashpix/compound_file_writer.h"
#include "engine/codecs/flashpix/flashpix_codec.h"
#include "engine/codecs/flashpix/flashpix_format.h"
#include "engine/codecs/flashpix/property_set.h"
#include "engine/core/error.h"
#include "engine/io/bytes.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;
namespace fpx = ximora::engine::flashpix;

namespace {

std::vector<uint8_t> encode(const Image& image, int format = kSaveFpx, int quality = 90) {
    return encodeWith(flashPixCodec(), image, {.format = format, .jpegQuality = quality});
}

bool decode(const std::vector<uint8_t>& bytes, Image& out, int minSide = 0) {
    return decodeWith(flashPixCodec(), bytes, out, minSide);
}

std::vector<uint8_t> streamOf(const CompoundFile& file, int storage, const std::string& name) {
    std::vector<uint8_t> bytes;
    const int entry = file.child(storage, name);
    EXPECT_NE(entry, CompoundFile::kNoEntry) << name;
    if (entry != CompoundFile::kNoEntry) {
        EXPECT_TRUE(file.read(entry, bytes)) << name;
    }
    return bytes;
}

// What an RGBA pixel becomes after premultiplied storage: colours times opacity, rounded,
// then divided again.
Colour throughPremultiplied(Colour c) {
    const auto channel = [&](uint8_t v) -> uint8_t {
        if (c.a == 0) return 0;
        const int stored = (v * c.a + 127) / 255;
        return uint8_t(std::min(255, (stored * 255 + c.a / 2) / c.a));
    };
    return Colour{channel(c.r), channel(c.g), channel(c.b), c.a};
}

// Calls `visit` with every directory entry of a compound file whose FAT fits in its first
// sector, as the codec writes small files.
template <typename Visit>
void forEachEntry(std::vector<uint8_t>& bytes, Visit visit) {
    ASSERT_LT(bytes.size(), 128u * 512);
    const uint32_t fat = readLe32(bytes.data() + 76);
    for (uint32_t sector = readLe32(bytes.data() + 48); sector != 0xFFFFFFFE;
         sector = readLe32(bytes.data() + (fat + 1) * 512 + 4 * sector))
        for (size_t at = (sector + 1) * 512; at < (sector + 2) * 512; at += 128)
            visit(bytes.data() + at);
}

// Half the size (sides rounded up), each pixel the rounded mean of up to four.
Image halfOf(const Image& image) {
    Image half;
    EXPECT_TRUE(half.allocate((image.width() + 1) / 2, (image.height() + 1) / 2, 24));
    for (int y = 0; y < half.height(); ++y)
        for (int x = 0; x < half.width(); ++x) {
            int sum[3] = {};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const Colour c = image.pixel(std::min(2 * x + dx, image.width() - 1),
                                                 std::min(2 * y + dy, image.height() - 1));
                    sum[0] += c.r, sum[1] += c.g, sum[2] += c.b;
                }
            for (int k = 0; k < 3; ++k) half.row(y)[x * 3 + k] = uint8_t((sum[k] + 2) / 4);
        }
    return half;
}

// A FlashPix file put together here from parts, not by the codec's own writer: one
// resolution whose tiles and colour property the test chooses.
struct HandBuilt {
    int width = 1, height = 1, channels = 3;
    std::vector<uint32_t> colours;  // subimage colour property; empty leaves it out
    struct Tile {
        uint32_t compression, subtype;
        std::vector<uint8_t> data;
    };
    std::vector<Tile> tiles;
    std::vector<uint8_t> tables;  // JPEG tables set 1
    ClassId rootClass = fpx::imageViewClass();

    std::vector<uint8_t> file() const {
        std::vector<uint8_t> header(fpx::kStreamHeader), data(fpx::kStreamHeader);
        ByteWriter h(header);
        h.le32(36), h.le32(uint32_t(width)), h.le32(uint32_t(height)),
            h.le32(uint32_t(tiles.size()));
        h.le32(64), h.le32(64), h.le32(uint32_t(channels)), h.le32(36), h.le32(16);
        for (const Tile& t : tiles) {
            h.le32(uint32_t(data.size() - fpx::kStreamHeader)), h.le32(uint32_t(t.data.size()));
            h.le32(t.compression), h.le32(t.subtype);
            data.insert(data.end(), t.data.begin(), t.data.end());
        }
        PropertySetWriter contents;
        contents.u4(fpx::kPidResolutionCount, 1);
        contents.u4(fpx::kPidWidth, uint32_t(width));
        contents.u4(fpx::kPidHeight, uint32_t(height));
        if (!colours.empty()) {
            std::vector<uint8_t> blob;
            ByteWriter b(blob);
            b.le32(1), b.le32(uint32_t(colours.size()));
            for (uint32_t c : colours) b.le32(c);
            contents.blob(fpx::kPidSubimageColour, blob);
        }
        if (!tables.empty()) contents.blob(fpx::kPidJpegTables | 1u << 16, tables);
        CompoundFileWriter writer(rootClass);
        const int store = writer.addStorage(0, fpx::kImageStore, fpx::imageObjectClass());
        writer.addStream(store, fpx::kImageContents, contents.finish(fpx::imageContentsFormat()));
        const int level = writer.addStorage(store, "Resolution 0000", fpx::resolutionClass());
        writer.addStream(level, fpx::kSubimageHeader, header);
        writer.addStream(level, fpx::kSubimageData, data);
        std::vector<uint8_t> out;
        EXPECT_TRUE(writer.finish(out));
        return out;
    }
};

// JPEG streams made with libjpeg directly: a tables-only stream and abbreviated tiles of
// 64 × 64 pixels of `components` components stored as given (no colour conversion).
struct RawJpeg {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    explicit RawJpeg(int components) {
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        cinfo.image_width = cinfo.image_height = 64;
        cinfo.input_components = components;
        cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_UNKNOWN;
        jpeg_set_defaults(&cinfo);
        jpeg_set_colorspace(&cinfo, cinfo.in_color_space);
        jpeg_set_quality(&cinfo, 100, TRUE);
        cinfo.write_JFIF_header = FALSE;
    }
    ~RawJpeg() {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
    std::vector<uint8_t> take() {
        std::vector<uint8_t> bytes(buffer, buffer + size);
        std::free(buffer);
        buffer = nullptr, size = 0;
        return bytes;
    }
    std::vector<uint8_t> tables() {
        jpeg_mem_dest(&cinfo, &buffer, &size);
        jpeg_write_tables(&cinfo);
        return take();
    }
    std::vector<uint8_t> tile(const std::vector<uint8_t>& pixels) {
        jpeg_mem_dest(&cinfo, &buffer, &size);
        jpeg_suppress_tables(&cinfo, TRUE);
        jpeg_start_compress(&cinfo, FALSE);
        while (cinfo.next_scanline < 64) {
            JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + size_t(cinfo.next_scanline) * 64 *
                                                                    size_t(cinfo.input_components));
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        return take();
    }
};

}  // namespace

TEST(FlashPixCodec, UncompressedRoundTripsAreExactAtEveryDepthAndOddSize) {
    struct Case {
        int bits;
        bool grey;
        int readBits;
    };
    const Case cases[] = {{1, false, 8},   {4, true, 8},    {8, true, 8},   {8, false, 24},
                          {16, false, 24}, {24, false, 24}, {32, false, 32}};
    const int sizes[][2] = {{65, 1}, {300, 200}, {1, 1}, {64, 64}, {129, 65}};
    for (const Case& c : cases)
        for (const auto& size : sizes) {
            SCOPED_TRACE(std::to_string(c.bits) + (c.grey ? "g " : " ") + std::to_string(size[0]) +
                         "x" + std::to_string(size[1]));
            Image source = patternImage(size[0], size[1], c.bits, c.grey);
            if (c.bits == 32)  // every opacity, fully transparent ones included
                for (int x = 0; x < source.width(); ++x) source.row(0)[x * 4 + 3] = uint8_t(x * 7);
            const auto bytes = encode(source);
            ASSERT_TRUE(flashPixCodec().matches(bytes.data(), bytes.size()));
            Image back;
            ASSERT_TRUE(decode(bytes, back)) << lastError();
            ASSERT_EQ(back.bitsPerPixel(), c.readBits);
            ASSERT_EQ(back.width(), size[0]);
            ASSERT_EQ(back.height(), size[1]);
            if (c.bits != 32) {
                EXPECT_TRUE(sameColours(source, back));
                continue;
            }
            int wrong = 0;
            for (int y = 0; y < source.height(); ++y)
                for (int x = 0; x < source.width(); ++x)
                    wrong += !(back.pixel(x, y) == throughPremultiplied(source.pixel(x, y)));
            EXPECT_EQ(wrong, 0);
        }
}

TEST(FlashPixCodec, WritesTheWholePyramidAndReadsTheLevelAThumbnailNeeds) {
    Image source = smoothImage(300, 200);
    source.dpiX = 200, source.dpiY = 100;
    source.comment = "写真 note";
    const auto bytes = encode(source);
    CompoundFile file;
    ASSERT_TRUE(file.open(bytes.data(), bytes.size()));
    EXPECT_EQ(file.classId(file.root()), fpx::imageViewClass());
    const int store = file.child(file.root(), fpx::kImageStore);
    ASSERT_NE(store, CompoundFile::kNoEntry);
    PropertySetReader contents;
    ASSERT_TRUE(contents.parse(streamOf(file, store, fpx::kImageContents)));
    EXPECT_EQ(contents.integer(fpx::kPidResolutionCount), 4u);  // 300, 150, 75, 38
    const int expected[][2] = {{38, 25}, {75, 50}, {150, 100}, {300, 200}};
    for (int level = 0; level < 4; ++level) {
        const int storage = file.child(store, fpx::resolutionName(level));
        ASSERT_NE(storage, CompoundFile::kNoEntry);
        const auto header = streamOf(file, storage, fpx::kSubimageHeader);
        ASSERT_GE(header.size(), 64u);
        EXPECT_EQ(int(readLe32(header.data() + 32)), expected[level][0]);
        EXPECT_EQ(int(readLe32(header.data() + 36)), expected[level][1]);
        EXPECT_EQ(contents.integer(fpx::kPidSubimageWidth | uint32_t(level) << 16),
                  uint32_t(expected[level][0]));
    }
    Image back;
    ASSERT_TRUE(decode(bytes, back));
    EXPECT_TRUE(sameColours(source, back));
    EXPECT_EQ(back.dpiX, 200);
    EXPECT_EQ(back.dpiY, 100);
    EXPECT_EQ(back.comment, source.comment);

    Image small;
    ASSERT_TRUE(decode(bytes, small, 60));
    EXPECT_EQ(small.width(), 150);  // 75 × 50 would be below 60
    EXPECT_EQ(small.height(), 100);
    EXPECT_LE(maxDifference(small, halfOf(source)), 2);
}

TEST(FlashPixCodec, JpegTilesHonourTheQualityWithAndWithoutOpacity) {
    const Image source = makeImage(200, 130, {24, false}, 5);
    Image back;
    const auto fine = encode(source, kSaveFpxCompressed, 95);
    const auto coarse = encode(source, kSaveFpxCompressed, 20);
    EXPECT_LT(coarse.size() * 2, fine.size());
    EXPECT_LT(fine.size(), encode(source, kSaveFpx).size());
    ASSERT_TRUE(decode(fine, back)) << lastError();
    EXPECT_EQ(back.bitsPerPixel(), 24);
    EXPECT_LE(maxDifference(source, back), 40);
    ASSERT_TRUE(decode(coarse, back));
    EXPECT_EQ(back.width(), 200);

    Image translucent = makeImage(70, 70, {32, false}, 2);
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 70; ++x) translucent.row(y)[x * 4 + 3] = x < 35 ? 255 : 128;
    ASSERT_TRUE(decode(encode(translucent, kSaveFpxCompressed, 100), back));
    ASSERT_EQ(back.bitsPerPixel(), 32);
    EXPECT_NEAR(back.pixel(10, 10).a, 255, 2);
    EXPECT_NEAR(back.pixel(60, 60).a, 128, 3);
    EXPECT_LE(maxDifference(translucent, back), 24);

    const Image grey = patternImage(90, 40, 8, true);
    ASSERT_TRUE(decode(encode(grey, kSaveFpxCompressed, 100), back));
    EXPECT_EQ(back.colourCode(), 80);
    EXPECT_LE(maxDifference(grey, back), 8);

    std::vector<uint8_t> bytes;
    for (int quality : {0, 101}) {
        EXPECT_FALSE(flashPixCodec().encode(
            source, {.format = kSaveFpxCompressed, .jpegQuality = quality}, bytes));
        EXPECT_EQ(lastError(), kErrBadParameter);
    }
}

TEST(FlashPixCodec, ReadsHandBuiltTilesOfEveryKindAndColourSpace) {
    // One 70 × 10 picture, two tiles: a single-colour tile and an uncompressed PhotoYCC one.
    HandBuilt ycc;
    ycc.width = 70, ycc.height = 10;
    ycc.colours = {0x00020000, 0x00020001, 0x00020002};
    // Grey 50 % in PhotoYCC: luma 0.5 → Y 91, chroma at its zero points 156 and 137.
    ycc.tiles.push_back({fpx::kTileSingleColour, 91u | 156u << 8 | 137u << 16, {}});
    std::vector<uint8_t> raw(64 * 64 * 3);
    for (size_t i = 0; i < raw.size(); i += 3) raw[i] = 182, raw[i + 1] = 156, raw[i + 2] = 137;
    ycc.tiles.push_back({fpx::kTileRaw, 0, raw});
    Image image;
    ASSERT_TRUE(decode(ycc.file(), image)) << lastError();
    ASSERT_EQ(image.bitsPerPixel(), 24);
    EXPECT_NEAR(image.pixel(3, 3).r, 128, 1);
    EXPECT_NEAR(image.pixel(3, 3).g, 128, 1);
    EXPECT_NEAR(image.pixel(3, 3).b, 128, 1);
    EXPECT_EQ(image.pixel(66, 9), (Colour{255, 255, 255, 255}));  // luma 1.0 is white

    // Monochrome with premultiplied opacity: grey 200 at half opacity is stored as 100.
    HandBuilt mono;
    mono.width = 5, mono.height = 5, mono.channels = 2;
    mono.colours = {0x00018000, 0x00017FFE};
    std::vector<uint8_t> pairs(64 * 64 * 2);
    for (size_t i = 0; i < pairs.size(); i += 2) pairs[i] = 100, pairs[i + 1] = 128;
    mono.tiles.push_back({fpx::kTileRaw, 0, pairs});
    ASSERT_TRUE(decode(mono.file(), image)) << lastError();
    ASSERT_EQ(image.bitsPerPixel(), 32);
    EXPECT_EQ(image.pixel(4, 4), (Colour{199, 199, 199, 128}));

    // JPEG tiles of stored channels (no internal conversion) with the tables kept apart, and
    // a monochrome file without any colour property.
    HandBuilt jpeg;
    jpeg.width = jpeg.height = 64, jpeg.channels = 1;
    RawJpeg coder(1);
    jpeg.tables = coder.tables();
    std::vector<uint8_t> ramp(64 * 64);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = uint8_t(i % 64 * 4);
    jpeg.tiles.push_back({fpx::kTileJpeg, 0x11u << 8 | 1u << 24, coder.tile(ramp)});
    ASSERT_TRUE(decode(jpeg.file(), image)) << lastError();
    EXPECT_EQ(image.colourCode(), 80);
    EXPECT_NEAR(image.pixel(40, 7).r, 160, 3);

    // PhotoYCC kept as it is in a three-component JPEG tile (no internal conversion).
    HandBuilt yccJpeg;
    yccJpeg.width = yccJpeg.height = 64;
    yccJpeg.colours = {0x00020000, 0x00020001, 0x00020002};
    RawJpeg yccCoder(3);
    yccJpeg.tables = yccCoder.tables();
    std::vector<uint8_t> grey(64 * 64 * 3);
    for (size_t i = 0; i < grey.size(); i += 3) grey[i] = 91, grey[i + 1] = 156, grey[i + 2] = 137;
    yccJpeg.tiles.push_back({fpx::kTileJpeg, 0x11u << 8 | 1u << 24, yccCoder.tile(grey)});
    ASSERT_TRUE(decode(yccJpeg.file(), image)) << lastError();
    EXPECT_NEAR(image.pixel(30, 30).r, 128, 2);
    EXPECT_NEAR(image.pixel(30, 30).g, 128, 2);
    EXPECT_NEAR(image.pixel(30, 30).b, 128, 2);
}

TEST(FlashPixCodec, OnlyFlashPixCompoundFilesAreTakenForImages) {
    // An office document: another root class and no image contents.
    CompoundFileWriter office(classIdFromText("00020906-0000-0000-C000-000000000046"));
    office.addStream(0, "WordDocument", std::vector<uint8_t>(5000, 7));
    office.addStream(0, "\005SummaryInformation", std::vector<uint8_t>(200, 0));
    std::vector<uint8_t> document;
    ASSERT_TRUE(office.finish(document));
    EXPECT_FALSE(flashPixCodec().matches(document.data(), document.size()));
    EXPECT_EQ(loadError(document), kErrBadFile);

    // A FlashPix image whose root class was lost is still known by its property set.
    HandBuilt plain;
    plain.rootClass = ClassId{};
    plain.tiles.push_back({fpx::kTileSingleColour, 0x102030, {}});
    const auto bytes = plain.file();
    EXPECT_TRUE(flashPixCodec().matches(bytes.data(), bytes.size()));
    EXPECT_EQ(loadError(bytes), 0);
}

TEST(FlashPixCodec, JunkInStorageEntriesIsIgnored) {
    auto bytes = encode(smoothImage(70, 40));
    // Storages have no data of their own; real files leave junk in their start and size.
    int storages = 0;
    forEachEntry(bytes, [&](uint8_t* entry) {
        if (entry[66] != 1) return;
        for (size_t i = 116; i < 128; ++i) entry[i] = uint8_t(0xA5 + i);
        ++storages;
    });
    EXPECT_EQ(storages, 3);  // the image object and its two resolutions
    Image back;
    EXPECT_TRUE(decode(bytes, back)) << lastError();
}

TEST(FlashPixCodec, DamagedFilesAreRefusedCleanly) {
    const auto good = encode(makeImage(150, 90, {24, false}, 3), kSaveFpxCompressed, 80);
    const uint32_t directory = readLe32(good.data() + 48);
    const uint32_t firstFat = readLe32(good.data() + 76);
    const auto fatEntry = [&](std::vector<uint8_t>& bytes, uint32_t sector) {
        return bytes.data() + (firstFat + 1) * 512 + sector * 4;
    };
    std::vector<std::pair<std::string, std::vector<uint8_t>>> damaged;
    for (size_t cut : {size_t(9), size_t(511), size_t(700), good.size() / 3, good.size() - 600})
        damaged.emplace_back("cut at " + std::to_string(cut),
                             std::vector<uint8_t>(good.begin(), good.begin() + long(cut)));
    auto loop = good;  // the directory's chain points back at itself
    writeLe16(fatEntry(loop, directory), directory), writeLe16(fatEntry(loop, directory) + 2, 0);
    damaged.emplace_back("FAT loop", loop);
    auto junk = good;  // every chain leads far past the end
    for (uint32_t s = directory; s < (good.size() / 512) - 1; ++s)
        writeLe16(fatEntry(junk, s), 0xFFF0), writeLe16(fatEntry(junk, s) + 2, 0x00FF);
    damaged.emplace_back("junk chains", junk);
    auto huge = good;  // streams declaring 2 GiB
    forEachEntry(huge, [](uint8_t* entry) {
        if (entry[66] == 2) entry[123] = 0x7F;
    });
    damaged.emplace_back("huge streams", huge);
    auto fatCount = good;  // more FAT sectors than the file has sectors
    fatCount[44] = 0xFF, fatCount[45] = 0xFF;
    damaged.emplace_back("FAT count", fatCount);

    for (const auto& [name, bytes] : damaged) {
        SCOPED_TRACE(name);
        Image kept = patternImage(3, 3, 24), out = kept;
        EXPECT_FALSE(decode(bytes, out));
        const int code = lastError();
        EXPECT_TRUE(code == kErrFileBroken || code == kErrCannotRead || code == kErrMemory) << code;
        EXPECT_TRUE(sameColours(out, kept));
        EXPECT_NE(loadError(bytes), 0);
    }
}

TEST(FlashPixCodec, ForgedSubimagesAreRefusedBeforeAllocating) {
    HandBuilt forged;
    forged.width = 60000, forged.height = 60000;
    forged.tiles.push_back({fpx::kTileSingleColour, 0, {}});
    Image out;
    EXPECT_FALSE(decode(forged.file(), out));  // 1 tile for 60000 × 60000
    EXPECT_EQ(lastError(), kErrFileBroken);

    HandBuilt shortTile;
    shortTile.width = 10, shortTile.height = 10;
    shortTile.tiles.push_back({fpx::kTileRaw, 0, std::vector<uint8_t>(100)});
    EXPECT_FALSE(decode(shortTile.file(), out));
    EXPECT_EQ(lastError(), kErrFileBroken);

    HandBuilt badColour;
    badColour.colours = {0x00050000, 0x00050001, 0x00050002};  // no such colour space
    badColour.tiles.push_back({fpx::kTileSingleColour, 0, {}});
    EXPECT_FALSE(decode(badColour.file(), out));
    EXPECT_EQ(lastError(), kErrFileBroken);

    HandBuilt noTables;
    noTables.tiles.push_back({fpx::kTileJpeg, 0x00010000u | 7u << 24, {0xFF, 0xD8, 0xFF, 0xD9}});
    EXPECT_FALSE(decode(noTables.file(), out));
    EXPECT_EQ(lastError(), kErrFileBroken);
    EXPECT_TRUE(out.empty());
}
