#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "engine/codecs/jpeg/jpeg_codec.h"
#include "engine/codecs/jpeg2000/jpeg2000_codec.h"
#include "engine/codecs/png/png_codec.h"
#include "engine/codecs/tiff/tiff_codec.h"
#include "engine/core/error.h"
#include "engine/metadata/exif.h"
#include "engine/metadata/tiff_structure.h"
#include "engine/metadata/tiff_writer.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

// A TIFF-structured EXIF block whose IFD0 holds Orientation, XResolution and ResolutionUnit.
std::vector<uint8_t> exifBlock(int orientation, bool bigEndian) {
    std::vector<uint8_t> b;
    auto put16 = [&](uint32_t v) {
        const uint8_t hi = uint8_t(v >> 8), lo = uint8_t(v);
        b.push_back(bigEndian ? hi : lo), b.push_back(bigEndian ? lo : hi);
    };
    auto put32 = [&](uint32_t v) {
        if (bigEndian)
            put16(v >> 16), put16(v & 0xFFFF);
        else
            put16(v & 0xFFFF), put16(v >> 16);
    };
    b = bigEndian ? std::vector<uint8_t>{'M', 'M'} : std::vector<uint8_t>{'I', 'I'};
    put16(42), put32(8), put16(4);
    put16(274), put16(3), put32(1), put16(uint32_t(orientation)), put16(0);
    put16(282), put16(5), put32(1), put32(62);
    put16(283), put16(5), put32(1), put32(62);
    put16(296), put16(3), put32(1), put16(2), put16(0);
    put32(0);
    put32(240), put32(1);  // 240 per inch, at offset 62
    return b;
}

// A profile that libpng accepts: right length, 'acsp', RGB data, XYZ connection space, D50
// illuminant, one tag over varied bytes (libpng refuses tiny, highly compressible profiles).
std::vector<uint8_t> iccProfile() {
    constexpr uint32_t kSize = 3000;
    std::vector<uint8_t> p(kSize, 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) p[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
    };
    put(0, kSize), put(8, 0x02100000);
    std::memcpy(&p[12], "mntrRGB XYZ ", 12);
    std::memcpy(&p[36], "acsp", 4);
    put(68, 0x0000F6D6), put(72, 0x00010000), put(76, 0x0000D32D);
    put(128, 1), put(132, 0x64657363), put(136, 144), put(140, kSize - 144);  // 'desc'
    for (uint32_t i = 144; i < kSize; ++i) p[i] = uint8_t(i * 7919 % 251);
    return p;
}

using Grid = std::vector<std::vector<int>>;  // [y][x] pixel identities

Grid flipH(const Grid& g) {
    Grid r = g;
    for (auto& row : r) std::reverse(row.begin(), row.end());
    return r;
}
Grid flipV(const Grid& g) { return Grid(g.rbegin(), g.rend()); }
Grid transpose(const Grid& g) {
    Grid r(g[0].size(), std::vector<int>(g.size()));
    for (size_t y = 0; y < g.size(); ++y)
        for (size_t x = 0; x < g[0].size(); ++x) r[x][y] = g[y][x];
    return r;
}

// What a viewer shows for each orientation, built from mirror and transpose steps as the
// Exif standard describes the tag values.
Grid upright(const Grid& stored, int orientation) {
    switch (orientation) {
        case 2:
            return flipH(stored);
        case 3:
            return flipV(flipH(stored));
        case 4:
            return flipV(stored);
        case 5:
            return transpose(stored);
        case 6:
            return flipH(transpose(stored));
        case 7:
            return flipV(flipH(transpose(stored)));
        case 8:
            return flipV(transpose(stored));
        default:
            return stored;
    }
}

int identity(const Colour& c) { return c.r * 256 + c.g; }

Image identityImage(int width, int height) {
    Image image;
    EXPECT_TRUE(image.allocate(width, height, 24));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.row(y) + x * 3;
            p[0] = uint8_t(x * 40), p[1] = uint8_t(y * 40), p[2] = 7;
        }
    return image;
}

// A little-endian 3×2 8-bit grey TIFF with orientation 6 and an Exif IFD holding ExposureTime
// 1/250 (a rational stored out of line) and ISO 400 (inline).
std::vector<uint8_t> tiffWithExif() {
    std::vector<uint8_t> b = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    auto entry = [&](uint32_t tag, uint32_t type, uint32_t value) {
        put16(tag), put16(type), put32(1);
        type == 3 ? (put16(value), put16(0)) : put32(value);
    };
    put16(11);
    entry(256, 3, 3), entry(257, 3, 2), entry(258, 3, 8), entry(259, 3, 1), entry(262, 3, 1);
    entry(273, 4, 184), entry(274, 3, 6), entry(277, 3, 1), entry(278, 3, 2), entry(279, 4, 6);
    entry(34665, 4, 146);
    put32(0);
    put16(2);
    entry(33434, 5, 176), entry(34855, 3, 400);
    put32(0);
    put32(1), put32(250);
    for (uint8_t v : {10, 20, 30, 40, 50, 60}) b.push_back(v);
    return b;
}

}  // namespace

TEST(Exif, TiffExifDirectoryBecomesAPortableBlock) {
    const auto file = tiffWithExif();
    const auto block = exifBlockFromTiff(file.data(), file.size());
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(exifOrientation(block), 6);
    const TiffStructure exif(block.data(), block.size());
    const uint64_t exifIfd = exif.u32(exif.findEntry(34665) + 8);
    const uint64_t exposure = exif.findEntry(33434, exifIfd);
    ASSERT_NE(exposure, 0u);
    const uint32_t at = exif.u32(exposure + 8);
    EXPECT_EQ(exif.u32(at), 1u);
    EXPECT_EQ(exif.u32(at + 4), 250u);
    EXPECT_EQ(exif.u16(exif.findEntry(34855, exifIfd) + 8), 400);

    // Loaded, the picture is turned by the tag once and the kept block says upright.
    Image image;
    ASSERT_TRUE(tiffCodec().decode(file.data(), file.size(), LoadOptions{}, image));
    EXPECT_EQ(image.width(), 2);
    EXPECT_EQ(image.height(), 3);
    EXPECT_EQ(image.pixel(0, 0).r, 40);  // the stored bottom-left pixel, now top-left
    EXPECT_EQ(image.pixel(1, 0).r, 10);
    EXPECT_EQ(exifOrientation(image.metadata.exif), 1);
    // Saved as JPEG or as TIFF again, the camera data goes along.
    for (const Codec* codec : {&jpegCodec(), &tiffCodec()}) {
        SaveOptions save;
        save.format = codec == &jpegCodec() ? kSaveJpeg : kSaveTiffLzw;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(codec->encode(image, save, bytes));
        Image back;
        ASSERT_TRUE(codec->decode(bytes.data(), bytes.size(), LoadOptions{}, back));
        EXPECT_EQ(back.width(), 2);
        const TiffStructure kept(back.metadata.exif.data(), back.metadata.exif.size());
        const uint64_t keptIfd = kept.u32(kept.findEntry(34665) + 8);
        EXPECT_EQ(kept.u16(kept.findEntry(34855, keptIfd) + 8), 400) << save.format;
        EXPECT_EQ(kept.u32(kept.u32(kept.findEntry(33434, keptIfd) + 8) + 4), 250u);
    }
}

TEST(Exif, ReadsAndPatchesOrientationInBothByteOrders) {
    for (bool big : {false, true}) {
        auto block = exifBlock(6, big);
        EXPECT_EQ(exifOrientation(block), 6);
        int dpiX = 0, dpiY = 0;
        EXPECT_TRUE(exifResolution(block, dpiX, dpiY));
        EXPECT_EQ(dpiX, 240);
        EXPECT_TRUE(setExifOrientation(block, 1));
        EXPECT_EQ(exifOrientation(block), 1);
        EXPECT_EQ(block.size(), exifBlock(6, big).size());
    }
    std::vector<uint8_t> broken = exifBlock(3, false);
    broken.resize(12);  // the entries are cut off
    EXPECT_EQ(exifOrientation(broken), 0);
    EXPECT_FALSE(setExifOrientation(broken, 1));
}

TEST(Exif, OrientationTurnsTheLoadedPixelsUpright) {
    const Image stored = identityImage(5, 3);
    Grid storedIds(3, std::vector<int>(5));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) storedIds[size_t(y)][size_t(x)] = identity(stored.pixel(x, y));
    SaveOptions save;
    save.format = kSavePng;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        Image withTag = stored;
        withTag.metadata.exif = exifBlock(orientation, orientation % 2 == 0);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(pngCodec().encode(withTag, save, bytes));
        Image loaded;
        ASSERT_TRUE(pngCodec().decode(bytes.data(), bytes.size(), LoadOptions{}, loaded));
        const Grid expected = upright(storedIds, orientation);
        ASSERT_EQ(loaded.height(), int(expected.size())) << orientation;
        ASSERT_EQ(loaded.width(), int(expected[0].size())) << orientation;
        for (int y = 0; y < loaded.height(); ++y)
            for (int x = 0; x < loaded.width(); ++x)
                EXPECT_EQ(identity(loaded.pixel(x, y)), expected[size_t(y)][size_t(x)])
                    << "orientation " << orientation << " at " << x << "," << y;
        EXPECT_EQ(exifOrientation(loaded.metadata.exif), 1);

        LoadOptions asStored;
        asStored.applyOrientation = false;
        ASSERT_TRUE(pngCodec().decode(bytes.data(), bytes.size(), asStored, loaded));
        EXPECT_TRUE(sameColours(loaded, stored));
        EXPECT_EQ(exifOrientation(loaded.metadata.exif), orientation);
    }
}

TEST(Metadata, BlocksSurviveLoadAndSaveInJpegPngTiffAndJpeg2000) {
    Image source = smoothImage(24, 16);
    source.metadata.exif = exifBlock(1, true);
    source.metadata.xmp = {'<', 'x', ':', 'x', 'm', 'p', 'm', 'e', 't', 'a', '/', '>'};
    source.metadata.icc = iccProfile();
    struct Case {
        const Codec& codec;
        int format;
        bool keepsExif;
    };
    const Case cases[] = {{jpegCodec(), kSaveJpeg, true},
                          {pngCodec(), kSavePng, true},
                          {tiffCodec(), kSaveTiffLzw, false},
                          {jp2Codec(), kSaveJp2, true}};
    for (const Case& c : cases) {
        SaveOptions save;
        save.format = c.format;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(c.codec.encode(source, save, bytes)) << c.format;
        Image once, twice;
        ASSERT_TRUE(c.codec.decode(bytes.data(), bytes.size(), LoadOptions{}, once));
        ASSERT_TRUE(c.codec.encode(once, save, bytes));
        ASSERT_TRUE(c.codec.decode(bytes.data(), bytes.size(), LoadOptions{}, twice));
        if (c.keepsExif) {
            EXPECT_EQ(twice.metadata.exif, source.metadata.exif) << c.format;
        }
        EXPECT_EQ(twice.metadata.xmp, source.metadata.xmp) << c.format;
        EXPECT_EQ(twice.metadata.icc, source.metadata.icc) << c.format;

        LoadOptions bare;
        bare.keepMetadata = false;
        ASSERT_TRUE(c.codec.decode(bytes.data(), bytes.size(), bare, once));
        EXPECT_TRUE(once.metadata.empty());
    }
}

namespace {

// What a camera writes (in Motorola order, as many do): make, model and date in IFD0, the
// exposure and original date in the Exif IFD, a latitude in the GPS IFD.
std::vector<uint8_t> cameraExif() {
    TiffWriter w(false);
    w.bytes = {'M', 'M'};
    w.u16(42), w.u32(8);
    const auto ascii = [&](uint16_t tag, uint32_t count, uint32_t at) {
        w.u16(tag), w.u16(2), w.u32(count), w.u32(at);
    };
    // IFD0 at 8: 5 entries → ends at 8 + 2 + 60 + 4 = 74; Exif IFD at 74: 2 entries → 104;
    // GPS IFD at 104: 2 entries → 134; values from 134.
    w.u16(5);
    ascii(271, 6, 134);  // "Canon"
    ascii(272, 8, 140);  // "EOS 5D "
    ascii(306, 20, 148);
    w.u16(34665), w.u16(4), w.u32(1), w.u32(74);
    w.u16(34853), w.u16(4), w.u32(1), w.u32(104);
    w.u32(0);
    w.u16(2);
    w.u16(33434), w.u16(5), w.u32(1), w.u32(168);
    ascii(36867, 20, 176);
    w.u32(0);
    w.u16(2);
    w.u16(1), w.u16(2), w.u32(2), w.u16('N' << 8), w.u16(0);
    w.u16(2), w.u16(5), w.u32(3), w.u32(196);
    w.u32(0);
    for (const char* text : {"Canon", "EOS 5D ", "2001:02:03 04:05:06", "", ""}) {
        if (!*text) continue;
        w.bytes.insert(w.bytes.end(), text, text + std::strlen(text) + 1);
    }
    w.u32(1), w.u32(250);  // 1/250 s at 168
    const char* original = "2001:02:03 04:05:00";
    w.bytes.insert(w.bytes.end(), original, original + 20);             // at 176
    w.u32(35), w.u32(1), w.u32(41), w.u32(1), w.u32(1234), w.u32(100);  // 35° 41' 12.34" at 196
    return w.bytes;
}

std::string asciiValue(const TiffStructure& t, uint16_t tag, uint64_t ifd = 0) {
    const uint64_t entry = t.findEntry(tag, ifd);
    if (!entry) return {};
    const uint32_t count = t.u32(entry + 4);
    const uint64_t at = count <= 4 ? entry + 8 : t.u32(entry + 8);
    if (at + count > t.size()) return {};
    std::string s(count, '\0');
    if (!t.copy(at, count, reinterpret_cast<uint8_t*>(s.data()))) return {};
    while (!s.empty() && s.back() == 0) s.pop_back();
    return s;
}

// The camera data that must survive: make, model, dates, exposure and the GPS latitude.
void expectCameraData(const std::vector<uint8_t>& exif, const std::string& where) {
    SCOPED_TRACE(where);
    const TiffStructure t(exif.data(), exif.size());
    ASSERT_TRUE(t.valid());
    EXPECT_EQ(asciiValue(t, 271), "Canon");
    EXPECT_EQ(asciiValue(t, 272), "EOS 5D ");
    EXPECT_EQ(asciiValue(t, 306), "2001:02:03 04:05:06");
    const uint64_t exifIfd = t.u32(t.findEntry(34665) + 8);
    EXPECT_EQ(asciiValue(t, 36867, exifIfd), "2001:02:03 04:05:00");
    EXPECT_EQ(t.u32(t.u32(t.findEntry(33434, exifIfd) + 8) + 4), 250u);
    const uint64_t gps = t.u32(t.findEntry(34853) + 8);
    ASSERT_NE(gps, 0u);
    EXPECT_EQ(asciiValue(t, 1, gps), "N");
    const uint32_t latitude = t.u32(t.findEntry(2, gps) + 8);
    EXPECT_EQ(t.u32(latitude), 35u);
    EXPECT_EQ(t.u32(latitude + 16), 1234u);
}

// exiftool's reading of the tags (names separated by " -"), one value a line.
std::string exiftoolValues(const std::vector<uint8_t>& file, const std::string& tags) {
    const std::string path = "metadata_test_exiftool.bin";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    std::string value;
    if (FILE* p =
            ::popen(("exiftool -s3 -n -" + tags + " " + path + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p)) value += buffer;
        ::pclose(p);
    }
    std::remove(path.c_str());
    while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) value.pop_back();
    return value;
}

bool haveExiftool() {
    static const bool found = std::system("exiftool -ver >/dev/null 2>&1") == 0;
    return found;
}

}  // namespace

TEST(Metadata, CameraExifWithGpsTravelsThroughTiffJpegAndJpeg2000) {
    Image source = smoothImage(40, 30);
    source.metadata.exif = cameraExif();
    expectCameraData(source.metadata.exif, "the block itself");
    struct Step {
        const Codec& codec;
        int format;
    };
    const Step steps[] = {{tiffCodec(), kSaveTiffLzw},
                          {jpegCodec(), kSaveJpeg},
                          {tiffCodec(), kSaveTiff},
                          {jp2Codec(), kSaveJp2},
                          {tiffCodec(), kSaveTiff}};
    Image image = source;
    for (const Step& step : steps) {
        SaveOptions save;
        save.format = step.format;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(step.codec.encode(image, save, bytes));
        if (haveExiftool()) {  // an independent reader sees the camera, the date and the place
            EXPECT_EQ(exiftoolValues(bytes, "Make -DateTimeOriginal -GPSLatitude").substr(0, 36),
                      "Canon\n2001:02:03 04:05:00\n35.6867611")
                << step.format;
        }
        Image back;
        ASSERT_TRUE(step.codec.decode(bytes.data(), bytes.size(), LoadOptions{}, back));
        expectCameraData(back.metadata.exif,
                         "read back from format " + std::to_string(step.format));
        image = std::move(back);
    }
}

TEST(Metadata, Jpeg2000KeepsTheProfileInItsColourBoxAndACodestreamHoldsNothing) {
    Image source = smoothImage(24, 16);
    source.metadata.icc = iccProfile();
    source.metadata.exif = cameraExif();
    source.metadata.xmp = {'<', 'x', '/', '>'};
    SaveOptions save;
    save.format = kSaveJp2;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(jp2Codec().encode(source, save, bytes));
    // The colour box: method 2 (a restricted ICC profile), not the enumerated sRGB.
    const std::string file(bytes.begin(), bytes.end());
    const size_t colr = file.find("colr");
    ASSERT_NE(colr, std::string::npos);
    EXPECT_EQ(bytes[colr + 4], 2);
    Image back;
    ASSERT_TRUE(jp2Codec().decode(bytes.data(), bytes.size(), LoadOptions{}, back));
    EXPECT_EQ(back.metadata.icc, source.metadata.icc);
    EXPECT_EQ(back.metadata.exif, source.metadata.exif);
    EXPECT_EQ(back.metadata.xmp, source.metadata.xmp);
    EXPECT_TRUE(sameColours(back, source));

    save.format = kSaveJ2k;
    ASSERT_TRUE(j2kCodec().encode(source, save, bytes));
    ASSERT_TRUE(j2kCodec().decode(bytes.data(), bytes.size(), LoadOptions{}, back));
    EXPECT_TRUE(back.metadata.empty());
}
