// Decoder for TIFF 6.0: https://www.itu.int/itudoc/itu-t/com16/tiff-fx/docs/tiff6.pdf
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "engine/codecs/raster_pages.h"
#include "engine/codecs/tiff/tiff_codec.h"
#include "engine/codecs/tiff/tiff_file.h"
#include "engine/core/error.h"
#include "engine/metadata/exif.h"
#include "engine/metadata/orientation.h"

namespace ximora::engine {
namespace {

class TiffDecoder {
  public:
    bool run(const uint8_t* data, size_t size, const LoadOptions& options);
    Image image;

  private:
    bool readFields();
    bool enoughData(size_t fileSize) const;
    bool nativeLayout() const;
    bool readNative();
    bool readStrips(std::vector<uint8_t>& buffer);
    bool readTiles(std::vector<uint8_t>& buffer);
    void copyPixels(const uint8_t* in, uint32_t count, uint32_t x0, uint32_t y);
    bool readPalette();
    bool readGeneric();
    void takeTags();

    TiffFile file_;
    TIFF* t_ = nullptr;
    uint32_t width_ = 0, height_ = 0;
    uint16_t bps_ = 1, spp_ = 1, photometric_ = 0, planar_ = PLANARCONFIG_CONTIG;
    uint16_t compression_ = COMPRESSION_NONE, orientation_ = ORIENTATION_TOPLEFT;
    bool associatedAlpha_ = false;
    uint8_t levels_[256] = {};  // file sample value → palette index
};

bool TiffDecoder::run(const uint8_t* data, size_t size, const LoadOptions& options) {
    if (!file_.openForReading(data, size)) return false;
    t_ = file_.tiff();
    if (!readFields()) return false;
    if (!(nativeLayout() ? readNative() : readGeneric())) return false;
    takeTags();
    // The orientation tag is IFD0's own; the EXIF block copies it, so it is set to 1 there too.
    if (options.applyOrientation && orientation_ >= 2) {
        if (!turnUpright(image, orientation_)) return false;
        setExifOrientation(image.metadata.exif, 1);
    }
    return finishLoadedMetadata(image, options);
}

bool TiffDecoder::readFields() {
    if (!TIFFGetField(t_, TIFFTAG_IMAGEWIDTH, &width_) ||
        !TIFFGetField(t_, TIFFTAG_IMAGELENGTH, &height_))
        return file_.fail(kErrFileBroken);
    TIFFGetFieldDefaulted(t_, TIFFTAG_BITSPERSAMPLE, &bps_);
    TIFFGetFieldDefaulted(t_, TIFFTAG_SAMPLESPERPIXEL, &spp_);
    TIFFGetFieldDefaulted(t_, TIFFTAG_PLANARCONFIG, &planar_);
    TIFFGetFieldDefaulted(t_, TIFFTAG_COMPRESSION, &compression_);
    TIFFGetFieldDefaulted(t_, TIFFTAG_ORIENTATION, &orientation_);
    if (!TIFFGetField(t_, TIFFTAG_PHOTOMETRIC, &photometric_))
        photometric_ = spp_ >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    if (TIFFGetField(t_, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount)
        associatedAlpha_ = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    if (!width_ || !height_) return file_.fail(kErrFileBroken);
    if (!Image::fitsLimits(width_, height_, 8)) return false;
    return enoughData(file_.readSize) || ximora::engine::fail(kErrCannotRead);
}

// A big picture that the whole file could not hold even at an extreme compression ratio is
// cut short; refusing it here avoids allocating gigabytes for a few bytes of file.
bool TiffDecoder::enoughData(size_t fileSize) const {
    constexpr uint64_t kCheckedFrom = uint64_t(64) << 20, kMaxRatio = 10000;
    const uint64_t raw = uint64_t(width_) * height_ * spp_ * std::max<uint16_t>(bps_, 1) / 8;
    return raw < kCheckedFrom || uint64_t(fileSize) * kMaxRatio >= raw;
}

bool TiffDecoder::nativeLayout() const {
    if (compression_ == COMPRESSION_OJPEG || compression_ == COMPRESSION_JPEG) return false;
    if (spp_ == 1)
        return (bps_ == 1 || bps_ == 2 || bps_ == 4 || bps_ == 8) &&
               (photometric_ == PHOTOMETRIC_MINISBLACK || photometric_ == PHOTOMETRIC_MINISWHITE ||
                photometric_ == PHOTOMETRIC_PALETTE);
    return photometric_ == PHOTOMETRIC_RGB && bps_ == 8 && (spp_ == 3 || spp_ == 4) &&
           planar_ == PLANARCONFIG_CONTIG;
}

bool TiffDecoder::readNative() {
    const int bits = spp_ == 3 ? 24 : spp_ == 4 ? 32 : bps_ == 1 ? 1 : bps_ <= 4 ? 4 : 8;
    const bool grey = photometric_ != PHOTOMETRIC_PALETTE && spp_ == 1 && bits > 1;
    if (!image.allocate(int(width_), int(height_), bits, grey)) return false;
    preferHugePages(image);
    if (spp_ == 1 && !readPalette()) return false;
    std::vector<uint8_t> buffer;
    if (!(TIFFIsTiled(t_) ? readTiles(buffer) : readStrips(buffer))) return false;
    if (associatedAlpha_ && spp_ == 4)
        for (int y = 0; y < image.height(); ++y)
            for (uint8_t *p = image.row(y), *end = p + size_t(width_) * 4; p < end; p += 4)
                if (p[3] && p[3] < 255)
                    for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::min(255, p[c] * 255 / p[3]));
    return true;
}

bool TiffDecoder::readStrips(std::vector<uint8_t>& buffer) {
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(t_, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::min(rowsPerStrip, height_);
    const uint64_t scanline = TIFFScanlineSize64(t_);
    const uint64_t stripBytes = scanline * rowsPerStrip;
    if (!rowsPerStrip || !scanline || (uint64_t(width_) * bps_ * spp_ + 7) / 8 > scanline)
        return file_.fail(kErrFileBroken);
    if (stripBytes > memoryLimit()) return ximora::engine::fail(kErrMemory);
    buffer.resize(size_t(stripBytes));
    for (uint32_t y = 0; y < height_; y += rowsPerStrip) {
        const uint32_t rows = std::min(rowsPerStrip, height_ - y);
        const uint32_t strip = TIFFComputeStrip(t_, y, 0);
        if (TIFFReadEncodedStrip(t_, strip, buffer.data(), tmsize_t(scanline * rows)) < 0 ||
            file_.failed())
            return file_.fail(kErrFileBroken);
        for (uint32_t r = 0; r < rows; ++r)
            copyPixels(buffer.data() + scanline * r, width_, 0, y + r);
    }
    return true;
}

bool TiffDecoder::readTiles(std::vector<uint8_t>& buffer) {
    uint32_t tileWidth = 0, tileHeight = 0;
    TIFFGetField(t_, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(t_, TIFFTAG_TILELENGTH, &tileHeight);
    const uint64_t tileRow = TIFFTileRowSize64(t_);
    const uint64_t tileBytes = TIFFTileSize64(t_);
    if (!tileWidth || !tileHeight || !tileRow || tileBytes < tileRow * tileHeight)
        return file_.fail(kErrFileBroken);
    if (tileBytes > memoryLimit()) return ximora::engine::fail(kErrMemory);
    buffer.resize(size_t(tileBytes));
    for (uint32_t y = 0; y < height_; y += tileHeight)
        for (uint32_t x = 0; x < width_; x += tileWidth) {
            if (TIFFReadEncodedTile(t_, TIFFComputeTile(t_, x, y, 0, 0), buffer.data(),
                                    tmsize_t(tileBytes)) < 0 ||
                file_.failed())
                return file_.fail(kErrFileBroken);
            const uint32_t columns = std::min(tileWidth, width_ - x);
            for (uint32_t r = 0; r < std::min(tileHeight, height_ - y); ++r)
                copyPixels(buffer.data() + tileRow * r, columns, x, y + r);
        }
    return true;
}

// Copies `count` pixels of one decoded row segment to image row y from column x0.
void TiffDecoder::copyPixels(const uint8_t* in, uint32_t count, uint32_t x0, uint32_t y) {
    uint8_t* out = image.row(int(y)) + size_t(x0) * size_t(image.bytesPerPixel());
    if (spp_ > 1) {
        std::memcpy(out, in, size_t(count) * spp_);
        return;
    }
    if (bps_ == 8) {
        for (uint32_t i = 0; i < count; ++i) out[i] = levels_[in[i]];
        return;
    }
    const unsigned mask = (1u << bps_) - 1;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t bit = i * bps_;
        out[i] = levels_[(in[bit >> 3] >> (8 - bps_ - (bit & 7))) & mask];
    }
}

// Fills the palette and the sample-to-index table for one-sample files.
bool TiffDecoder::readPalette() {
    const int values = 1 << bps_;
    std::iota(levels_, levels_ + values, 0);
    if (photometric_ == PHOTOMETRIC_PALETTE) {
        uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (!TIFFGetField(t_, TIFFTAG_COLORMAP, &r, &g, &b)) return file_.fail(kErrFileBroken);
        // Some writers store 8-bit values in the 16-bit colour map.
        bool eightBit = true;
        for (int i = 0; i < values; ++i)
            eightBit = eightBit && r[i] < 256 && g[i] < 256 && b[i] < 256;
        const int shift = eightBit ? 0 : 8;
        image.palette.resize(size_t(values));
        for (int i = 0; i < values; ++i)
            image.palette[size_t(i)] =
                Colour{uint8_t(r[i] >> shift), uint8_t(g[i] >> shift), uint8_t(b[i] >> shift), 255};
        return true;
    }
    image.palette = greyPalette(image.bitsPerPixel());
    if (bps_ == 1 && photometric_ == PHOTOMETRIC_MINISWHITE) {
        // Bilevel min-is-white keeps its bits and gets a white-then-black palette.
        std::swap(image.palette[0], image.palette[1]);
        return true;
    }
    const int step = bps_ == 2 ? 5 : 1;  // 2-bit levels on the 16-level ramp
    for (int v = 0; v < values; ++v)
        levels_[v] = uint8_t((photometric_ == PHOTOMETRIC_MINISWHITE ? values - 1 - v : v) * step);
    return true;
}

bool TiffDecoder::readGeneric() {
    char message[1024];
    if (!TIFFRGBAImageOK(t_, message)) return file_.fail(kErrFileBroken);
    TIFFRGBAImage reader{};
    if (!TIFFRGBAImageBegin(&reader, t_, 0, message)) return file_.fail(kErrFileBroken);
    // Rows come in the file's own order; the orientation is applied afterwards like any other.
    reader.req_orientation = reader.orientation;
    const bool alpha = reader.alpha != 0;
    Image raster;
    const bool allocated = raster.allocate(int(width_), int(height_), 32);
    const bool read =
        allocated &&
        TIFFRGBAImageGet(&reader, reinterpret_cast<uint32_t*>(raster.data()), width_, height_) &&
        !file_.failed();
    TIFFRGBAImageEnd(&reader);
    if (!allocated) return false;
    if (!read) return file_.fail(kErrFileBroken);
    if (alpha) {
        image = std::move(raster);
        return true;
    }
    if (!image.allocate(int(width_), int(height_), 24)) return false;
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* in = raster.row(y);
        uint8_t* out = image.row(y);
        for (uint32_t x = 0; x < width_; ++x, in += 4, out += 3)
            out[0] = in[0], out[1] = in[1], out[2] = in[2];
    }
    return true;
}

void TiffDecoder::takeTags() {
    const char* description = nullptr;
    if (TIFFGetField(t_, TIFFTAG_IMAGEDESCRIPTION, &description) && description)
        image.comment = description;
    float x = 0, y = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(t_, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(t_, TIFFTAG_XRESOLUTION, &x) && TIFFGetField(t_, TIFFTAG_YRESOLUTION, &y) &&
        x > 0 && y > 0 && x < 1e6f && y < 1e6f && unit != RESUNIT_NONE) {
        const double scale = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
        image.dpiX = int(std::lround(x * scale));
        image.dpiY = int(std::lround(y * scale));
    }
    uint32_t length = 0;
    const uint8_t* bytes = nullptr;
    if (TIFFGetField(t_, TIFFTAG_XMLPACKET, &length, &bytes) && bytes)
        image.metadata.xmp.assign(bytes, bytes + length);
    if (TIFFGetField(t_, TIFFTAG_ICCPROFILE, &length, &bytes) && bytes)
        image.metadata.icc.assign(bytes, bytes + length);
    image.metadata.exif = exifBlockFromTiff(file_.readData, file_.readSize);
}

}  // namespace

int tiffPageCount(const uint8_t* data, size_t size) {
    constexpr int kMaxPages = 65535;
    TiffFile file;
    if (!file.openForReading(data, size)) return 1;
    int pages = 0;
    do {
        uint32_t type = 0;
        if (!TIFFGetField(file.tiff(), TIFFTAG_SUBFILETYPE, &type) ||
            !(type & FILETYPE_REDUCEDIMAGE))
            ++pages;
    } while (pages < kMaxPages && TIFFReadDirectory(file.tiff()));
    return std::max(pages, 1);
}

bool decodeTiff(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    TiffDecoder decoder;
    if (!decoder.run(data, size, options)) return false;
    out = std::move(decoder.image);
    return true;
}

}  // namespace ximora::engine
