// Decoder for TIFF 6.0: https://www.itu.int/itudoc/itu-t/com16/tiff-fx/docs/tiff6.pdf
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "engine/codecs/band_rows.h"
#include "engine/codecs/image_row_sink.h"
#include "engine/codecs/sample_depth.h"
#include "engine/codecs/tiff/tiff_codec.h"
#include "engine/codecs/tiff/tiff_file.h"
#include "engine/core/error.h"
#include "engine/io/byte_source.h"
#include "engine/metadata/exif.h"
#include "engine/metadata/tiff_structure.h"

namespace ximora::engine {
namespace {

class TiffDecoder {
  public:
    TiffDecoder(ByteSource& source, RowSink& sink) : source_(source), sink_(sink) {}
    bool run();

  private:
    bool readFields();
    bool enoughData(uint64_t fileSize) const;
    bool nativeLayout() const;
    bool readNative();
    bool readScanlines();
    bool readTiles();
    void copyPixels(const uint8_t* in, uint32_t count, uint32_t x0, uint8_t* row) const;
    /// As copyPixels for 16-bit samples: narrowed into `row`, kept in `deepRow` when given.
    void copyWidePixels(const uint8_t* in, uint32_t count, uint32_t x0, uint8_t* row,
                        uint16_t* deepRow) const;
    void unpremultiply(uint8_t* row) const;
    uint16_t* deepRow(int r) { return deepRows_.data() + size_t(r) * size_t(width_) * spp_; }
    bool readPalette(RowLayout& layout);
    bool readGeneric();
    void takeTags();

    ByteSource& source_;
    RowSink& sink_;
    TiffFile file_;
    const TiffLibrary* lib_ = nullptr;
    TIFF* t_ = nullptr;
    uint32_t width_ = 0, height_ = 0;
    uint16_t bps_ = 1, spp_ = 1, photometric_ = 0, planar_ = PLANARCONFIG_CONTIG;
    uint16_t compression_ = COMPRESSION_NONE, orientation_ = ORIENTATION_TOPLEFT;
    int bytesPerPixel_ = 1;
    bool associatedAlpha_ = false;
    uint8_t levels_[256] = {};  // file sample value → palette index
    bool keepDeep_ = false;     // 16-bit samples handed to the sink beside the rows
    std::vector<uint16_t> deepRows_;
};

bool TiffDecoder::run() {
    if (!file_.openForReading(source_)) return false;
    lib_ = &file_.library();
    t_ = file_.tiff();
    if (!readFields()) return false;
    takeTags();
    return nativeLayout() ? readNative() : readGeneric();
}

bool TiffDecoder::readFields() {
    if (!lib_->TIFFGetField(t_, TIFFTAG_IMAGEWIDTH, &width_) ||
        !lib_->TIFFGetField(t_, TIFFTAG_IMAGELENGTH, &height_))
        return file_.fail(kErrFileBroken);
    lib_->TIFFGetFieldDefaulted(t_, TIFFTAG_BITSPERSAMPLE, &bps_);
    lib_->TIFFGetFieldDefaulted(t_, TIFFTAG_SAMPLESPERPIXEL, &spp_);
    lib_->TIFFGetFieldDefaulted(t_, TIFFTAG_PLANARCONFIG, &planar_);
    lib_->TIFFGetFieldDefaulted(t_, TIFFTAG_COMPRESSION, &compression_);
    lib_->TIFFGetFieldDefaulted(t_, TIFFTAG_ORIENTATION, &orientation_);
    if (!lib_->TIFFGetField(t_, TIFFTAG_PHOTOMETRIC, &photometric_))
        photometric_ = spp_ >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    if (lib_->TIFFGetField(t_, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount)
        associatedAlpha_ = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    if (!width_ || !height_) return file_.fail(kErrFileBroken);
    if (!Image::fitsSides(width_, height_)) return false;
    return enoughData(source_.size()) || ximora::engine::fail(kErrCannotRead);
}

// A big picture that the whole file could not hold even at the compression's highest ratio is
// cut short; refusing it here avoids decoding gigabytes for a few bytes of file. Only
// compressions whose ratio is bounded well below 10000 are judged (deflate about 1032, LZW
// about 3600, PackBits 64, JPEG a few hundred): a blank fax page in CCITT Group 4 takes a bit
// a row, and zstd and LZMA have no useful bound.
bool TiffDecoder::enoughData(uint64_t fileSize) const {
    constexpr uint64_t kCheckedFrom = uint64_t(64) << 20, kMaxRatio = 10000;
    switch (compression_) {
        case COMPRESSION_NONE:
        case COMPRESSION_PACKBITS:
        case COMPRESSION_LZW:
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE:
        case COMPRESSION_JPEG:
        case COMPRESSION_OJPEG:
            break;
        default:
            return true;
    }
    const uint64_t raw = uint64_t(width_) * height_ * spp_ * std::max<uint16_t>(bps_, 1) / 8;
    return raw < kCheckedFrom || fileSize * kMaxRatio >= raw;
}

bool TiffDecoder::nativeLayout() const {
    if (compression_ == COMPRESSION_OJPEG || compression_ == COMPRESSION_JPEG) return false;
    uint16_t format = SAMPLEFORMAT_UINT;
    lib_->TIFFGetFieldDefaulted(t_, TIFFTAG_SAMPLEFORMAT, &format);
    if (format != SAMPLEFORMAT_UINT) return false;
    if (spp_ == 1)
        return ((bps_ == 1 || bps_ == 2 || bps_ == 4 || bps_ == 8) &&
                (photometric_ == PHOTOMETRIC_MINISBLACK || photometric_ == PHOTOMETRIC_MINISWHITE ||
                 photometric_ == PHOTOMETRIC_PALETTE)) ||
               (bps_ == 16 &&
                (photometric_ == PHOTOMETRIC_MINISBLACK || photometric_ == PHOTOMETRIC_MINISWHITE));
    return photometric_ == PHOTOMETRIC_RGB && (bps_ == 8 || bps_ == 16) &&
           (spp_ == 3 || spp_ == 4) && planar_ == PLANARCONFIG_CONTIG;
}

bool TiffDecoder::readNative() {
    RowLayout layout;
    layout.width = int(width_);
    layout.height = int(height_);
    layout.bitsPerPixel = spp_ == 3 ? 24 : spp_ == 4 ? 32 : bps_ == 1 ? 1 : bps_ <= 4 ? 4 : 8;
    layout.grey = photometric_ != PHOTOMETRIC_PALETTE && spp_ == 1 && layout.bitsPerPixel > 1;
    layout.sampleBits = std::max<int>(bps_, 8);
    bytesPerPixel_ = Image::storageBytesPerPixel(layout.bitsPerPixel);
    if (bps_ == 16) {
        // Only a one-sample picture is grey with a palette; an RGB one has none.
        if (spp_ == 1) layout.palette = greyPalette(8);
        // A whole picture keeps the 16-bit samples beside its raster (deep_samples.h).
        keepDeep_ = sink_.keepsWholePicture();
        if (keepDeep_) layout.deepChannels = spp_;
    } else if (spp_ == 1 && !readPalette(layout)) {
        return false;
    }
    if (!sink_.start(layout)) return false;
    return lib_->TIFFIsTiled(t_) ? readTiles() : readScanlines();
}

// Stripped files are read a row at a time (libtiff decodes a strip progressively), so even a
// picture stored as one huge strip takes no more than a row.
bool TiffDecoder::readScanlines() {
    const uint64_t scanline = lib_->TIFFScanlineSize64(t_);
    if (!scanline || (uint64_t(width_) * bps_ * spp_ + 7) / 8 > scanline)
        return file_.fail(kErrFileBroken);
    std::vector<uint8_t> buffer(static_cast<size_t>(scanline)), own;
    for (uint32_t y = 0; y < height_; ++y) {
        if (lib_->TIFFReadScanline(t_, buffer.data(), y, 0) < 0 || file_.failed())
            return file_.fail(kErrFileBroken);
        uint8_t* row = sink_.rowMemory(int(y));
        if (!row) {
            own.resize(size_t(width_) * size_t(bytesPerPixel_));
            row = own.data();
        }
        if (bps_ == 16) {
            if (keepDeep_) deepRows_.resize(size_t(width_) * spp_);
            copyWidePixels(buffer.data(), width_, 0, row, keepDeep_ ? deepRow(0) : nullptr);
            if (keepDeep_) sink_.putDeepRow(int(y), deepRow(0));
        } else {
            copyPixels(buffer.data(), width_, 0, row);
            unpremultiply(row);
        }
        sink_.putRow(int(y), row);
    }
    return true;
}

// Tiled files are read a row of tiles at a time.
bool TiffDecoder::readTiles() {
    uint32_t tileWidth = 0, tileHeight = 0;
    lib_->TIFFGetField(t_, TIFFTAG_TILEWIDTH, &tileWidth);
    lib_->TIFFGetField(t_, TIFFTAG_TILELENGTH, &tileHeight);
    const uint64_t tileRow = lib_->TIFFTileRowSize64(t_);
    const uint64_t tileBytes = lib_->TIFFTileSize64(t_);
    if (!tileWidth || !tileHeight || !tileRow || tileBytes < tileRow * tileHeight)
        return file_.fail(kErrFileBroken);
    if (tileBytes > memoryLimit()) return ximora::engine::fail(kErrMemory);
    std::vector<uint8_t> tile(static_cast<size_t>(tileBytes));
    BandRows band(sink_, size_t(width_) * size_t(bytesPerPixel_));
    if (keepDeep_) deepRows_.resize(size_t(width_) * spp_ * tileHeight);
    for (uint32_t y = 0; y < height_; y += tileHeight) {
        const uint32_t rows = std::min(tileHeight, height_ - y);
        if (!band.prepare(int(y), int(rows))) return false;
        for (uint32_t x = 0; x < width_; x += tileWidth) {
            if (lib_->TIFFReadEncodedTile(t_, lib_->TIFFComputeTile(t_, x, y, 0, 0), tile.data(),
                                          tmsize_t(tileBytes)) < 0 ||
                file_.failed())
                return file_.fail(kErrFileBroken);
            const uint32_t columns = std::min(tileWidth, width_ - x);
            for (uint32_t r = 0; r < rows; ++r) {
                if (bps_ == 16)
                    copyWidePixels(tile.data() + tileRow * r, columns, x, band.row(int(r)),
                                   keepDeep_ ? deepRow(int(r)) : nullptr);
                else
                    copyPixels(tile.data() + tileRow * r, columns, x, band.row(int(r)));
            }
        }
        if (bps_ != 16)
            for (uint32_t r = 0; r < rows; ++r) unpremultiply(band.row(int(r)));
        if (keepDeep_)
            for (uint32_t r = 0; r < rows; ++r) sink_.putDeepRow(int(y + r), deepRow(int(r)));
        band.hand();
    }
    return true;
}

// Copies `count` pixels of one decoded row segment into `row` from column x0.
void TiffDecoder::copyPixels(const uint8_t* in, uint32_t count, uint32_t x0, uint8_t* row) const {
    uint8_t* out = row + size_t(x0) * size_t(bytesPerPixel_);
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

void TiffDecoder::copyWidePixels(const uint8_t* in, uint32_t count, uint32_t x0, uint8_t* row,
                                 uint16_t* deepRow) const {
    const size_t n = spp_;
    uint8_t* out = row + size_t(x0) * size_t(bytesPerPixel_);
    uint16_t pixel[4];
    for (uint32_t i = 0; i < count; ++i) {
        std::memcpy(pixel, in + size_t(i) * n * 2, n * 2);  // libtiff gives the host's order
        if (photometric_ == PHOTOMETRIC_MINISWHITE) pixel[0] = uint16_t(65535 - pixel[0]);
        // Colour stored premultiplied by its alpha is divided back.
        if (associatedAlpha_ && n == 4 && pixel[3] && pixel[3] < 65535)
            for (size_t c = 0; c < 3; ++c)
                pixel[c] =
                    uint16_t(std::min<uint32_t>(65535, uint32_t(pixel[c]) * 65535 / pixel[3]));
        for (size_t c = 0; c < n; ++c) out[i * n + c] = narrowSample(pixel[c], 65535);
        if (deepRow) std::memcpy(deepRow + (size_t(x0) + i) * n, pixel, n * 2);
    }
}

// Colour stored premultiplied by its alpha is divided back.
void TiffDecoder::unpremultiply(uint8_t* row) const {
    if (!associatedAlpha_ || spp_ != 4) return;
    for (uint8_t *p = row, *end = p + size_t(width_) * 4; p < end; p += 4)
        if (p[3] && p[3] < 255)
            for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::min(255, p[c] * 255 / p[3]));
}

// Fills the palette and the sample-to-index table for one-sample files.
bool TiffDecoder::readPalette(RowLayout& layout) {
    const int values = 1 << bps_;
    std::iota(levels_, levels_ + values, 0);
    if (photometric_ == PHOTOMETRIC_PALETTE) {
        uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (!lib_->TIFFGetField(t_, TIFFTAG_COLORMAP, &r, &g, &b))
            return file_.fail(kErrFileBroken);
        // Some writers store 8-bit values in the 16-bit colour map.
        bool eightBit = true;
        for (int i = 0; i < values; ++i)
            eightBit = eightBit && r[i] < 256 && g[i] < 256 && b[i] < 256;
        const int shift = eightBit ? 0 : 8;
        layout.palette.resize(size_t(values));
        for (int i = 0; i < values; ++i)
            layout.palette[size_t(i)] =
                Colour{uint8_t(r[i] >> shift), uint8_t(g[i] >> shift), uint8_t(b[i] >> shift), 255};
        return true;
    }
    layout.palette = greyPalette(layout.bitsPerPixel);
    if (bps_ == 1 && photometric_ == PHOTOMETRIC_MINISWHITE) {
        // Bilevel min-is-white keeps its bits and gets a white-then-black palette.
        std::swap(layout.palette[0], layout.palette[1]);
        return true;
    }
    const int step = bps_ == 2 ? 5 : 1;  // 2-bit levels on the 16-level ramp
    for (int v = 0; v < values; ++v)
        levels_[v] = uint8_t((photometric_ == PHOTOMETRIC_MINISWHITE ? values - 1 - v : v) * step);
    return true;
}

// Everything else goes through libtiff's RGBA reader, a band of rows at a time.
bool TiffDecoder::readGeneric() {
    char message[1024] = {};
    if (!lib_->TIFFRGBAImageOK(t_, message)) return file_.fail(kErrFileBroken, message);
    TIFFRGBAImage reader{};
    if (!lib_->TIFFRGBAImageBegin(&reader, t_, 0, message))
        return file_.fail(kErrFileBroken, message);
    // Rows come in the file's own order; the orientation is applied afterwards like any other.
    reader.req_orientation = reader.orientation;
    RowLayout layout;
    layout.width = int(width_);
    layout.height = int(height_);
    layout.bitsPerPixel = reader.alpha ? 32 : 24;
    layout.sampleBits = std::max<int>(bps_, 8);
    // A band of strips or tiles, as large as libtiff decodes at once but no more than 64 MiB.
    uint32_t bandRows = 0;
    if (!lib_->TIFFGetField(t_, lib_->TIFFIsTiled(t_) ? TIFFTAG_TILELENGTH : TIFFTAG_ROWSPERSTRIP,
                            &bandRows))
        bandRows = height_;
    const uint64_t rowBytes = uint64_t(width_) * 4;
    bandRows =
        uint32_t(std::clamp<uint64_t>(std::min<uint64_t>(bandRows, height_), 1,
                                      std::max<uint64_t>(1, (uint64_t(64) << 20) / rowBytes)));
    bool read = false;
    if (rowBytes * bandRows > memoryLimit()) {
        ximora::engine::fail(kErrMemory);
    } else if (sink_.start(layout)) {
        std::vector<uint32_t> band(size_t(width_) * bandRows);
        std::vector<uint8_t> rgb(size_t(width_) * 3);
        read = true;
        for (uint32_t y = 0; read && y < height_; y += bandRows) {
            const uint32_t rows = std::min(bandRows, height_ - y);
            reader.row_offset = int(y);
            read = lib_->TIFFRGBAImageGet(&reader, band.data(), width_, rows) && !file_.failed();
            for (uint32_t r = 0; read && r < rows; ++r) {
                const auto* in = reinterpret_cast<const uint8_t*>(band.data() + size_t(r) * width_);
                if (layout.bitsPerPixel == 24) {
                    for (uint32_t x = 0; x < width_; ++x)
                        std::memcpy(rgb.data() + 3 * size_t(x), in + 4 * size_t(x), 3);
                    in = rgb.data();
                }
                sink_.putRow(int(y + r), in);
            }
        }
        if (!read) file_.fail(kErrFileBroken);
    }  // else the sink has said why
    lib_->TIFFRGBAImageEnd(&reader);
    return read;
}

void TiffDecoder::takeTags() {
    PictureNotes& notes = sink_.notes;
    notes.orientation = orientation_ >= 1 && orientation_ <= 8 ? orientation_ : 1;
    const char* description = nullptr;
    if (lib_->TIFFGetField(t_, TIFFTAG_IMAGEDESCRIPTION, &description) && description)
        notes.comment = description;
    float x = 0, y = 0;
    uint16_t unit = RESUNIT_INCH;
    lib_->TIFFGetFieldDefaulted(t_, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (lib_->TIFFGetField(t_, TIFFTAG_XRESOLUTION, &x) &&
        lib_->TIFFGetField(t_, TIFFTAG_YRESOLUTION, &y) && x > 0 && y > 0 && x < 1e6f && y < 1e6f &&
        unit != RESUNIT_NONE) {
        const double scale = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
        notes.dpiX = int(std::lround(x * scale));
        notes.dpiY = int(std::lround(y * scale));
    }
    uint32_t length = 0;
    const uint8_t* bytes = nullptr;
    if (lib_->TIFFGetField(t_, TIFFTAG_XMLPACKET, &length, &bytes) && bytes)
        notes.metadata.xmp.assign(bytes, bytes + length);
    if (lib_->TIFFGetField(t_, TIFFTAG_ICCPROFILE, &length, &bytes) && bytes)
        notes.metadata.icc.assign(bytes, bytes + length);
    // The EXIF block is built from the file's directories, read where they lie (thumbnails and
    // facts keep no metadata).
    if (!sink_.keepsWholePicture()) return;
    if (const uint8_t* data = source_.data()) {
        notes.metadata.exif = exifBlockFromTiff(data, size_t(source_.size()));
    } else {
        const TiffStructure file(
            [this](uint64_t at, void* out, size_t count) { return source_.read(at, out, count); },
            source_.size());
        notes.metadata.exif = exifBlockFromTiff(file);
    }
}

}  // namespace

int tiffPageCount(ByteSource& source) {
    constexpr int kMaxPages = 65535;
    TiffFile file;
    if (!file.openForReading(source)) return 1;
    int pages = 0;
    do {
        uint32_t type = 0;
        if (!file.library().TIFFGetField(file.tiff(), TIFFTAG_SUBFILETYPE, &type) ||
            !(type & FILETYPE_REDUCEDIMAGE))
            ++pages;
    } while (pages < kMaxPages && file.library().TIFFReadDirectory(file.tiff()));
    return std::max(pages, 1);
}

bool decodeTiffRows(ByteSource& source, const LoadOptions&, RowSink& sink) {
    return TiffDecoder(source, sink).run();
}

bool decodeTiff(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    return decodeWholeImage(decodeTiffRows, data, size, options, out);
}

bool readTiffFacts(ByteSource& source, ImageFacts& out) {
    return readFactsWithRows(decodeTiffRows, source, out);
}

}  // namespace ximora::engine
