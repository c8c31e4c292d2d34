// Decoder for PNG files: https://www.w3.org/TR/png/
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/codecs/png/png_codec.h"
#include "engine/codecs/png/png_error.h"
#include "engine/codecs/raster_pages.h"
#include "engine/core/error.h"
#include "engine/metadata/orientation.h"

namespace ximora::engine {
namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

void readFromMemory(png_structp png, png_bytep out, size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->at) pngFail(png, kErrCannotRead);
    std::memcpy(out, reader->data + reader->at, length);
    reader->at += length;
}

// State with destructors lives here, outside the setjmp frame.
class PngDecoder {
  public:
    ~PngDecoder() { png_destroy_read_struct(&png_, &info_, nullptr); }
    bool run(const uint8_t* data, size_t size, const LoadOptions& options);
    Image image;

  private:
    bool prepare();
    void readPalette();
    void takeChunks();

    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    PngErrorTrap trap_{};
    MemoryReader reader_{nullptr, 0};
    std::vector<png_bytep> rows_;
    int fileDepth_ = 0;
    int colourType_ = 0;
    bool pixelsDone_ = false;
};

// Whether every chunk up to IEND lies inside the data. libpng allocates some chunks at their
// declared length before reading them, so a forged length would cost gigabytes.
bool chunksFit(const uint8_t* data, size_t size) {
    constexpr size_t kSignature = 8, kFraming = 12;
    for (size_t at = kSignature; at + kFraming <= size;) {
        const uint64_t length =
            uint64_t(data[at]) << 24 | data[at + 1] << 16 | data[at + 2] << 8 | data[at + 3];
        if (length > size - at - kFraming) return false;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0) return true;
        at += kFraming + size_t(length);
    }
    return false;
}

bool PngDecoder::run(const uint8_t* data, size_t size, const LoadOptions& options) {
    if (size < 8 || png_sig_cmp(data, 0, 8)) return fail(kErrBadFile);
    if (!chunksFit(data, size)) return fail(kErrCannotRead);
    reader_ = MemoryReader{data, size};
    png_ =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &trap_, pngErrorCallback, pngWarningCallback);
    if (!png_) return fail(kErrMemory);
    info_ = png_create_info_struct(png_);
    if (!info_) return fail(kErrMemory);
    if (setjmp(trap_.jump)) {
        // Damage after the last image row (a missing IEND, a bad trailing chunk) costs only
        // the trailing text; the picture itself is whole.
        if (!pixelsDone_) return fail(trap_.code);
        takeChunks();
        return finishLoadedMetadata(image, options);
    }
    png_set_read_fn(png_, &reader_, readFromMemory);
    // Size limits are the engine's (error 3), checked when the image is allocated.
    png_set_user_limits(png_, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_option(png_, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
    // Decompressed text and profiles need no more than a few megabytes.
    png_set_chunk_malloc_max(png_, std::max<size_t>(size, size_t(16) << 20));
    png_read_info(png_, info_);
    if (!prepare()) return false;
    rows_.resize(size_t(image.height()));
    for (int y = 0; y < image.height(); ++y) rows_[size_t(y)] = image.row(y);
    png_read_image(png_, rows_.data());
    pixelsDone_ = true;
    // 2-bit grey widens to the 16-level ramp of a 4-bit image: level v becomes 5v.
    if (colourType_ == PNG_COLOR_TYPE_GRAY && fileDepth_ == 2)
        for (int y = 0; y < image.height(); ++y)
            for (uint8_t *p = image.row(y), *end = p + image.width(); p < end; ++p) *p *= 5;
    if (image.hasPalette()) {
        // Indexes past a short palette show black rather than breaking the palette invariant.
        uint8_t highest = 0;
        for (int y = 0; y < image.height(); ++y) {
            const uint8_t* p = image.row(y);
            highest = std::max(highest, *std::max_element(p, p + image.width()));
        }
        if (highest >= image.palette.size()) image.palette.resize(size_t(highest) + 1);
    }
    png_read_end(png_, info_);
    takeChunks();
    return finishLoadedMetadata(image, options);
}

// Chooses libpng's transformations and allocates the image at the depth the file has.
bool PngDecoder::prepare() {
    png_uint_32 width = 0, height = 0;
    int interlace = 0;
    png_get_IHDR(png_, info_, &width, &height, &fileDepth_, &colourType_, &interlace, nullptr,
                 nullptr);
    if (fileDepth_ == 16) png_set_scale_16(png_);
    if (fileDepth_ < 8) png_set_packing(png_);
    if (colourType_ == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png_);
    png_set_interlace_handling(png_);
    png_read_update_info(png_, info_);

    int bits = 24;
    bool grey = false;
    switch (colourType_) {
        case PNG_COLOR_TYPE_PALETTE:
            bits = fileDepth_ == 1 ? 1 : fileDepth_ <= 4 ? 4 : 8;
            break;
        case PNG_COLOR_TYPE_GRAY:
            bits = fileDepth_ == 1 ? 1 : fileDepth_ <= 4 ? 4 : 8;
            grey = bits > 1;
            break;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
        case PNG_COLOR_TYPE_RGB_ALPHA:
            bits = 32;
            break;
        default:
            bits = 24;
            break;
    }
    if (!Image::fitsLimits(width, height, bits)) return false;
    // Deflate expands a byte to at most about 1032; a big image whose whole file could not
    // hold it is cut short, refused before gigabytes are allocated and touched.
    const uint64_t raw = uint64_t(png_get_rowbytes(png_, info_)) * height;
    if (raw > (uint64_t(64) << 20) && raw / 1100 > reader_.size) return fail(kErrCannotRead);
    if (!image.allocate(int(width), int(height), bits, grey)) return false;
    preferHugePages(image);
    if (png_get_rowbytes(png_, info_) > image.stride()) return fail(kErrFileBroken);
    readPalette();
    return true;
}

void PngDecoder::readPalette() {
    if (colourType_ == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        png_get_PLTE(png_, info_, &entries, &count);
        count = std::min(count, 1 << image.bitsPerPixel());
        image.palette.resize(size_t(count));
        for (int i = 0; i < count; ++i)
            image.palette[size_t(i)] =
                Colour{entries[i].red, entries[i].green, entries[i].blue, 255};
        png_bytep alphas = nullptr;
        int alphaCount = 0;
        if (png_get_tRNS(png_, info_, &alphas, &alphaCount, nullptr))
            for (int i = 0; i < std::min(alphaCount, count); ++i)
                image.palette[size_t(i)].a = alphas[i];
    } else if (colourType_ == PNG_COLOR_TYPE_GRAY) {
        image.palette = greyPalette(image.bitsPerPixel());
        png_color_16p transparent = nullptr;
        if (png_get_tRNS(png_, info_, nullptr, nullptr, &transparent) && transparent) {
            unsigned level = transparent->gray;
            if (fileDepth_ == 16) level >>= 8;
            if (fileDepth_ == 2) level *= 5;
            if (level < image.palette.size()) image.palette[level].a = 0;
        }
    }
}

void PngDecoder::takeChunks() {
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(png_, info_, &texts, &count);
    for (int i = 0; i < count; ++i) {
        const png_text& t = texts[i];
        const char* text = t.text ? t.text : "";
        const size_t length = t.compression > 0 ? t.itxt_length : t.text_length;
        if (std::strcmp(t.key, kPngCommentKey) == 0 && image.comment.empty())
            image.comment.assign(text, length);
        else if (std::strcmp(t.key, kPngXmpKey) == 0 && image.metadata.xmp.empty())
            image.metadata.xmp.assign(text, text + length);
    }
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(png_, info_, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
        image.dpiX = int(std::lround(resX * 0.0254));
        image.dpiY = int(std::lround(resY * 0.0254));
    }
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileLength = 0;
    if (png_get_iCCP(png_, info_, &name, &compression, &profile, &profileLength))
        image.metadata.icc.assign(profile, profile + profileLength);
    png_bytep exif = nullptr;
    png_uint_32 exifLength = 0;
    if (png_get_eXIf_1(png_, info_, &exifLength, &exif) && exif)
        image.metadata.exif.assign(exif, exif + exifLength);
}

}  // namespace

bool decodePng(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    PngDecoder decoder;
    if (!decoder.run(data, size, options)) return false;
    out = std::move(decoder.image);
    return true;
}

int pngFrameCount(const uint8_t* data, size_t size) {
    const auto be32 = [](const uint8_t* p) {
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    };
    uint32_t frames = 0;
    bool firstIsFrame = false;
    for (size_t at = 8; at + 12 <= size;) {
        const uint32_t length = be32(data + at);
        if (length > size - at - 12) break;
        const uint8_t* type = data + at + 4;
        if (std::memcmp(type, "IDAT", 4) == 0) break;
        if (std::memcmp(type, "acTL", 4) == 0 && length >= 8) frames = be32(data + at + 8);
        if (std::memcmp(type, "fcTL", 4) == 0) firstIsFrame = true;
        at += size_t(length) + 12;
    }
    if (frames == 0) return 1;
    return int(std::min<uint64_t>(uint64_t(frames) + (firstIsFrame ? 0 : 1), 1u << 30));
}

}  // namespace ximora::engine
