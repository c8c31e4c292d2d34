#include "contract/fixtures.h"

#include <png.h>
#include <tiffio.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "engine/codecs/registry.h"
#include "engine/core/image.h"
#include "support/adobe_rgb.h"
#include "support/multi_page_files.h"

namespace ximora::contract {
namespace {

using engine::Colour;
using engine::Image;

constexpr int kWidth = 20, kHeight = 12;

QString modernFile(const char* name) {
    return QStringLiteral(XIMORA_TEST_DATA "/modern-formats/") + QString::fromUtf8(name);
}

std::string encoded(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A colour picture with smooth runs and edges.
Image colourPicture(int bits) {
    Image image;
    image.allocate(kWidth, kHeight, bits);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = image.row(y) + x * image.bytesPerPixel();
            p[0] = uint8_t(x * 12), p[1] = uint8_t(y * 20), p[2] = uint8_t((x + y) % 2 ? 200 : 40);
            // Transparent, half-transparent and opaque pixels.
            if (bits == 32) p[3] = uint8_t(x < 4 ? 0 : x < 10 ? 40 + 20 * y : 255);
        }
    return image;
}

Image greyPicture() {
    Image image;
    image.allocate(kWidth, kHeight, 8, true);
    image.palette = engine::greyPalette(8);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) image.row(y)[x] = uint8_t(x * 11 + y * 3);
    return image;
}

// 16 colours with entry 3 transparent; the left columns use it.
Image transparentPalettePicture() {
    Image image;
    image.allocate(kWidth, kHeight, 8);
    for (int i = 0; i < 16; ++i)
        image.palette.push_back(Colour{uint8_t(i * 16), uint8_t(255 - i * 16), uint8_t(i * 7),
                                       uint8_t(i == 3 ? 0 : 255)});
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) image.row(y)[x] = uint8_t(x < 5 ? 3 : (x + y) % 16);
    return image;
}

bool write(const QString& path, const Image& image, int format, int quality = 90) {
    engine::SaveOptions options;
    options.format = format;
    options.jpegQuality = quality;
    std::vector<uint8_t> bytes;
    if (!engine::encodeImage(image, options, bytes)) return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) ==
               qint64(bytes.size());
}

// A 16-bit sample whose low byte matters: narrowing to 8 bits loses it.
uint16_t deepSample(int x, int y, int c) { return uint16_t(x * 3001 + y * 509 + c * 7919 + 17); }

// A 16-bit RGB (or grey) PNG written by libpng itself.
bool writeDeepPng(const QString& path, bool grey) {
    FILE* out = std::fopen(encoded(path).c_str(), "wb");
    if (!out) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const int channels = grey ? 1 : 3;
    std::vector<uint8_t> rows(size_t(kWidth) * kHeight * channels * 2);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < channels; ++c) {
                const uint16_t v = deepSample(x, y, c);
                uint8_t* p = rows.data() + ((size_t(y) * kWidth + x) * channels + c) * 2;
                p[0] = uint8_t(v >> 8), p[1] = uint8_t(v);
            }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, kWidth, kHeight, 16, grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y)
        png_write_row(png, rows.data() + size_t(y) * kWidth * channels * 2);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0;
}

// A TIFF written by libtiff itself: `pages` pages of 8-bit RGB, or one page of 16-bit RGB.
bool writeTiff(const QString& path, int pages, bool deep) {
    TIFF* t = TIFFOpen(encoded(path).c_str(), "w");
    if (!t) return false;
    const int sampleBytes = deep ? 2 : 1;
    std::vector<uint8_t> row(size_t(kWidth) * 3 * sampleBytes);
    bool ok = true;
    for (int page = 0; ok && page < pages; ++page) {
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(kWidth));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(kHeight));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(deep ? 16 : 8));
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(kHeight));
        if (pages > 1) {
            TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
            TIFFSetField(t, TIFFTAG_PAGENUMBER, uint16_t(page), uint16_t(pages));
        }
        for (int y = 0; ok && y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x)
                for (int c = 0; c < 3; ++c) {
                    if (deep) {
                        const uint16_t v = deepSample(x, y, c);
                        std::memcpy(row.data() + (size_t(x) * 3 + c) * 2, &v, 2);
                    } else {
                        row[size_t(x) * 3 + c] = uint8_t(x * 12 + page * 40 + c * 30);
                    }
                }
            ok = TIFFWriteScanline(t, row.data(), uint32_t(y), 0) >= 0;
        }
        ok = ok && TIFFWriteDirectory(t);
    }
    TIFFClose(t);
    return ok;
}

bool copyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::copy(from, to) && QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
}

// A bare JPEG XL codestream put into the container form (ISO/IEC 18181-2), which is where
// metadata boxes go: signature box, file type box, codestream box.
bool writeJxlContainer(const QString& codestream, const QString& path) {
    QFile in(codestream), out(path);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) return false;
    const QByteArray stream = in.readAll();
    if (!stream.startsWith("\xFF\x0A")) return out.write(stream) == stream.size();
    const auto be32 = [](quint32 v) {
        QByteArray bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[i] = char(v >> (24 - 8 * i));
        return bytes;
    };
    QByteArray box = QByteArray("\0\0\0\x0CJXL \r\n\x87\n", 12);
    box += be32(20) + "ftypjxl " + be32(0) + "jxl ";
    box += be32(quint32(stream.size() + 8)) + "jxlc" + stream;
    return out.write(box) == box.size();
}

// EXIF (a camera tag and a GPS position) and XMP (a title) written by exiftool.
bool addMetadataWithExiftool(const QString& path) {
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"),
                   {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                    QStringLiteral("-Make=XimoraContract"), QStringLiteral("-GPSLatitude=35.5"),
                    QStringLiteral("-GPSLatitudeRef=N"), QStringLiteral("-GPSLongitude=139.75"),
                    QStringLiteral("-GPSLongitudeRef=E"),
                    QStringLiteral("-XMP-dc:Title=") + QString::fromLatin1(kXmpMarker), path});
    return exiftool.waitForFinished(60000) && exiftool.exitStatus() == QProcess::NormalExit &&
           exiftool.exitCode() == 0;
}

std::vector<Fixture> makeFixtures(const QString& folder, QStringList& skipped) {
    QDir().mkpath(folder);
    std::vector<Fixture> made;
    const auto add = [&](const QString& name, const QString& ext, unsigned properties, bool ok) {
        const QString path = folder + '/' + name + '.' + ext;
        if (ok && QFile::exists(path))
            made.push_back({name, ext, properties, path});
        else
            skipped << name;
    };
    const auto file = [&](const QString& name, const QString& ext) {
        return folder + '/' + name + '.' + ext;
    };
    using engine::SaveFormat;

    // Transparency.
    const Image rgba = colourPicture(32);
    add("bmp-alpha", "bmp", kAlpha, write(file("bmp-alpha", "bmp"), rgba, engine::kSaveBmp));
    add("png-alpha", "png", kAlpha, write(file("png-alpha", "png"), rgba, engine::kSavePng));
    add("tif-alpha", "tif", kAlpha, write(file("tif-alpha", "tif"), rgba, engine::kSaveTiffLzw));
    add("webp-alpha", "webp", kAlpha,
        write(file("webp-alpha", "webp"), rgba, engine::kSaveWebpLossless));
    add("jp2-alpha", "jp2", kAlpha, write(file("jp2-alpha", "jp2"), rgba, engine::kSaveJp2));
    add("heic-alpha", "heic", kAlpha,
        copyFile(modernFile("alpha.heic"), file("heic-alpha", "heic")));
    add("avif-alpha", "avif", kAlpha,
        copyFile(modernFile("alpha.avif"), file("avif-alpha", "avif")));
    add("jxl-alpha", "jxl", kAlpha,
        copyFile(modernFile("alpha-lossless.jxl"), file("jxl-alpha", "jxl")));

    // Palette transparency.
    const Image keyed = transparentPalettePicture();
    add("gif-palette-transparency", "gif", kPaletteTransparency,
        write(file("gif-palette-transparency", "gif"), keyed, engine::kSaveGif));
    add("png-palette-transparency", "png", kPaletteTransparency,
        write(file("png-palette-transparency", "png"), keyed, engine::kSavePng));

    // Pages and frames.
    add("tif-pages", "tif", kPages, writeTiff(file("tif-pages", "tif"), 3, false));
    {
        const std::vector<uint8_t> gif = test::animatedGif(3);
        QFile out(file("gif-pages", "gif"));
        add("gif-pages", "gif", kPages,
            out.open(QIODevice::WriteOnly) &&
                out.write(reinterpret_cast<const char*>(gif.data()), qint64(gif.size())) ==
                    qint64(gif.size()) &&
                out.flush());
    }
    add("png-pages", "png", kPages, copyFile(modernFile("anim.png"), file("png-pages", "png")));
    add("webp-pages", "webp", kPages,
        copyFile(modernFile("anim.webp"), file("webp-pages", "webp")));
    add("avif-pages", "avif", kPages,
        copyFile(modernFile("anim.avif"), file("avif-pages", "avif")));
    add("jxl-pages", "jxl", kPages, copyFile(modernFile("anim.jxl"), file("jxl-pages", "jxl")));
    add("heic-pages", "heic", kPages,
        copyFile(modernFile("two-images.heic"), file("heic-pages", "heic")));

    // EXIF with GPS, XMP and an ICC profile.
    Image described = colourPicture(24);
    described.metadata.icc = fixtureProfile();
    const struct {
        const char* ext;
        int format;
    } metadataFormats[] = {{"jpg", engine::kSaveJpeg},
                           {"png", engine::kSavePng},
                           {"tif", engine::kSaveTiff},
                           {"webp", engine::kSaveWebpLossless},
                           {"jp2", engine::kSaveJp2}};
    for (const auto& f : metadataFormats) {
        const QString ext = QString::fromLatin1(f.ext);
        const QString name = ext + QStringLiteral("-metadata");
        const QString path = file(name, ext);
        add(name, ext, kExifGps | kXmp | kIcc,
            write(path, described, f.format) && addMetadataWithExiftool(path));
    }
    for (const char* ext : {"heic", "avif"}) {
        const QString e = QString::fromLatin1(ext);
        const QString name = e + QStringLiteral("-metadata");
        const QString path = file(name, e);
        add(name, e, kExifGps | kXmp | kIcc,
            copyFile(modernFile((std::string("photo-adobe.") + ext).c_str()), path) &&
                addMetadataWithExiftool(path));
    }
    add("jxl-metadata", "jxl", kExifGps | kXmp | kIcc,
        writeJxlContainer(modernFile("photo-adobe.jxl"), file("jxl-metadata", "jxl")) &&
            addMetadataWithExiftool(file("jxl-metadata", "jxl")));

    // Samples of more than 8 bits.
    add("png-deep", "png", kDeep, writeDeepPng(file("png-deep", "png"), false));
    add("png-deep-grey", "png", kDeep | kGrey, writeDeepPng(file("png-deep-grey", "png"), true));
    add("tif-deep", "tif", kDeep, writeTiff(file("tif-deep", "tif"), 1, true));
    add("heic-deep", "heic", kDeep,
        copyFile(modernFile("deep-10bit-lossless.heic"), file("heic-deep", "heic")));
    add("avif-deep", "avif", kDeep,
        copyFile(modernFile("deep-12bit-lossless.avif"), file("avif-deep", "avif")));
    add("jxl-deep", "jxl", kDeep,
        copyFile(modernFile("deep-lossless.jxl"), file("jxl-deep", "jxl")));

    // Grey.
    const Image grey = greyPicture();
    const struct {
        const char* ext;
        int format;
    } greyFormats[] = {
        {"bmp", engine::kSaveBmp}, {"jpg", engine::kSaveJpeg}, {"png", engine::kSavePng},
        {"gif", engine::kSaveGif}, {"tif", engine::kSaveTiff}, {"pcx", engine::kSavePcx},
        {"jp2", engine::kSaveJp2}, {"j2k", engine::kSaveJ2k},  {"fpx", engine::kSaveFpx}};
    for (const auto& f : greyFormats) {
        const QString ext = QString::fromLatin1(f.ext);
        add(ext + QStringLiteral("-grey"), ext, kGrey,
            write(file(ext + QStringLiteral("-grey"), ext), grey, f.format));
    }
    add("avif-grey", "avif", kGrey, copyFile(modernFile("grey.avif"), file("avif-grey", "avif")));
    add("jxl-grey", "jxl", kGrey,
        copyFile(modernFile("grey-lossless.jxl"), file("jxl-grey", "jxl")));

    // A drawing: read, never written.
    {
        QFile svg(file("svg-drawing", "svg"));
        add("svg-drawing", "svg", 0,
            svg.open(QIODevice::WriteOnly) &&
                svg.write("<svg xmlns='http://www.w3.org/2000/svg' width='20' height='12'>"
                          "<rect width='20' height='12' fill='#c83214'/></svg>") > 0 &&
                svg.flush());
    }
    return made;
}

}  // namespace

const char* propertyName(Property property) {
    switch (property) {
        case kAlpha:
            return "alpha";
        case kPaletteTransparency:
            return "palette transparency";
        case kPages:
            return "pages";
        case kExifGps:
            return "EXIF with GPS";
        case kXmp:
            return "XMP";
        case kIcc:
            return "ICC profile";
        case kDeep:
            return "16-bit samples";
        case kGrey:
            return "grey";
    }
    return "?";
}

const std::vector<uint8_t>& fixtureProfile() {
    static const std::vector<uint8_t> profile = testing::adobeRgbProfile();
    return profile;
}

const std::vector<Fixture>& fixtures(QStringList* skipped) {
    static QTemporaryDir folder;
    static QStringList left;
    static const std::vector<Fixture> made = makeFixtures(folder.path(), left);
    if (skipped) *skipped = left;
    return made;
}

const QStringList& writableExtensions() {
    static const QStringList list{"bmp", "jpg", "png", "gif", "tif",
                                  "pcx", "jp2", "j2k", "fpx", "webp"};
    return list;
}

const QStringList& readOnlyExtensions() {
    static const QStringList list{"heic", "heif", "hif", "avif", "jxl", "svg",
                                  "sfc",  "p21",  "wmf", "emf",  "dxf"};
    return list;
}

}  // namespace ximora::contract
