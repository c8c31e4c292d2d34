#include "contract/expectations.h"

#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>
#include <cstring>

#include "engine/codecs/registry.h"
#include "engine/core/deep_samples.h"
#include "engine/metadata/tiff_structure.h"

namespace ximora::contract {
namespace {

using engine::Colour;
using engine::Image;

std::string encoded(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The extension the engine gives the format it finds for files saved under `ext`.
QString detectedExtensionFor(const QString& ext) {
    if (ext == "jpeg" || ext == "jpe" || ext == "jfif") return "jpg";
    if (ext == "tiff") return "tif";
    if (ext == "jpc") return "j2k";
    return ext;
}

// Where pixel (x, y) of the written picture comes from in the source (w × h).
void sourceOf(Moved moved, int x, int y, int h, int& sx, int& sy) {
    if (moved == Moved::TurnedRight) {
        sx = y, sy = h - 1 - x;  // a right turn: dst(x, y) = src(y, H - 1 - x)
    } else {
        sx = x, sy = y;
    }
}

bool sameSize(const Image& written, const Image& source, Moved moved) {
    return moved == Moved::TurnedRight
               ? written.width() == source.height() && written.height() == source.width()
               : written.width() == source.width() && written.height() == source.height();
}

void expectAlpha(const Image& written, const Image& source, Moved moved, bool binary) {
    int wrong = 0;
    for (int y = 0; y < written.height(); ++y)
        for (int x = 0; x < written.width(); ++x) {
            int sx, sy;
            sourceOf(moved, x, y, source.height(), sx, sy);
            const uint8_t want = source.pixel(sx, sy).a;
            const uint8_t got = written.pixel(x, y).a;
            if (binary ? (got == 0) != (want < 128) : got != want) ++wrong;
        }
    EXPECT_EQ(wrong, 0) << "pixels whose transparency changed";
}

void expectPaletteTransparency(const Image& written, const Image& source, Moved moved) {
    int wrong = 0, transparent = 0;
    for (int y = 0; y < written.height(); ++y)
        for (int x = 0; x < written.width(); ++x) {
            int sx, sy;
            sourceOf(moved, x, y, source.height(), sx, sy);
            const bool want = source.pixel(sx, sy).a == 0;
            transparent += want;
            if ((written.pixel(x, y).a == 0) != want) ++wrong;
        }
    EXPECT_GT(transparent, 0);
    EXPECT_EQ(wrong, 0) << "pixels whose transparency changed";
}

void expectGps(const std::vector<uint8_t>& exif) {
    const engine::TiffStructure block(exif.data(), exif.size());
    ASSERT_TRUE(block.valid()) << "no EXIF block";
    const uint64_t make = block.findEntry(271);
    ASSERT_NE(make, 0u) << "no camera make";
    const uint32_t count = block.u32(make + 4);
    std::string text(count, '\0');
    ASSERT_TRUE(block.copy(count <= 4 ? make + 8 : block.u32(make + 8), count,
                           reinterpret_cast<uint8_t*>(text.data())));
    EXPECT_EQ(text.c_str(), std::string("XimoraContract"));
    const uint64_t gps = block.findEntry(34853);
    ASSERT_NE(gps, 0u) << "no GPS directory";
    const uint64_t latitude = block.findEntry(2, block.u32(gps + 8));
    ASSERT_NE(latitude, 0u) << "no GPS latitude";
    ASSERT_EQ(block.u32(latitude + 4), 3u);
    const uint64_t at = block.u32(latitude + 8);
    EXPECT_DOUBLE_EQ(double(block.u32(at)) / block.u32(at + 4), kGpsLatitudeDegrees);
    EXPECT_DOUBLE_EQ(double(block.u32(at + 8)) / block.u32(at + 12), kGpsLatitudeMinutes);
}

void expectDeep(const QString& written, const Image& out, const Image& source, Moved moved) {
    engine::ImageFacts facts;
    ASSERT_TRUE(engine::readImageFacts(encoded(written), facts));
    EXPECT_EQ(facts.sampleBits, 16) << "the samples were narrowed";
    const engine::DeepSamples* got = engine::currentDeepSamples(out);
    ASSERT_NE(got, nullptr) << "no 16-bit samples";
    const engine::DeepSamples* want = engine::currentDeepSamples(source);
    if (!want) return;  // a source the engine widens itself: its depth is checked above
    ASSERT_EQ(got->channels, want->channels);
    int wrong = 0;
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            int sx, sy;
            sourceOf(moved, x, y, source.height(), sx, sy);
            if (std::memcmp(got->row(y) + size_t(x) * got->channels,
                            want->row(sy) + size_t(sx) * want->channels,
                            size_t(got->channels) * 2) != 0)
                ++wrong;
        }
    EXPECT_EQ(wrong, 0) << "pixels whose 16-bit samples changed";
}

}  // namespace

bool targetHolds(const QString& ext, Property property) {
    const auto in = [&](std::initializer_list<const char*> list) {
        return std::any_of(list.begin(), list.end(),
                           [&](const char* e) { return ext == QLatin1String(e); });
    };
    switch (property) {
        case kAlpha:
            return in({"bmp", "png", "tif", "tiff", "webp", "gif"});
        case kPaletteTransparency:
            return in({"png", "gif", "tif", "tiff", "webp"});
        case kPages:
            return false;
        case kExifGps:
            return in({"jpg", "jpeg", "jpe", "jfif", "png", "tif", "tiff", "webp", "jp2"});
        case kXmp:
            return in({"jpg", "jpeg", "jpe", "jfif", "png", "tif", "tiff", "webp", "jp2", "gif"});
        case kIcc:
            return in({"jpg", "jpeg", "jpe", "jfif", "png", "tif", "tiff", "webp", "jp2", "bmp"});
        case kDeep:
            return in({"png", "tif", "tiff"});
        case kGrey:
            return in(
                {"bmp", "jpg", "jpeg", "png", "gif", "tif", "tiff", "pcx", "jp2", "j2k", "fpx"});
    }
    return false;
}

Image decoded(const QString& path) {
    Image image;
    EXPECT_TRUE(engine::loadImage(encoded(path), image)) << path.toStdString();
    return image;
}

void expectKept(const Fixture& source, const QString& written, const QString& ext, Moved moved,
                const QString& how) {
    SCOPED_TRACE((how + ": " + source.name + " written as " + ext).toStdString());
    Image out;
    engine::FileFormat format = engine::FileFormat::Unknown;
    ASSERT_TRUE(engine::loadImage(encoded(written), out, {}, &format))
        << "cannot read " << written.toStdString();
    EXPECT_EQ(QString::fromLatin1(engine::formatExtension(format)), detectedExtensionFor(ext))
        << "the bytes are not in the format the name says";
    const Image in = decoded(source.path);
    ASSERT_TRUE(sameSize(out, in, moved));
    for (unsigned bit = 1; bit <= kGrey; bit <<= 1) {
        const auto property = Property(bit);
        if (!(source.properties & bit) || !targetHolds(ext, property)) continue;
        SCOPED_TRACE(propertyName(property));
        switch (property) {
            case kAlpha:
                expectAlpha(out, in, moved, ext == "gif");
                break;
            case kPaletteTransparency:
                expectPaletteTransparency(out, in, moved);
                break;
            case kExifGps:
                expectGps(out.metadata.exif);
                break;
            case kXmp: {
                const std::string xmp(out.metadata.xmp.begin(), out.metadata.xmp.end());
                EXPECT_NE(xmp.find(kXmpMarker), std::string::npos) << "no XMP packet";
                break;
            }
            case kIcc:
                EXPECT_FALSE(out.metadata.icc.empty()) << "no profile";
                EXPECT_TRUE(out.metadata.icc == in.metadata.icc) << "another profile";
                break;
            case kDeep:
                expectDeep(written, out, in, moved);
                break;
            case kGrey:
                EXPECT_EQ(out.colourCode(), 80) << "grey levels widened to colour";
                break;
            case kPages:
                break;
        }
    }
}

}  // namespace ximora::contract
