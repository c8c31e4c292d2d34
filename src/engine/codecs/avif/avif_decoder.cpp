// Decoder for AVIF files: https://aomediacodec.github.io/av1-avif/, read through libavif.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "engine/codecs/avif/avif_codec.h"
#include "engine/codecs/avif/avif_error.h"
#include "engine/codecs/raster_pages.h"
#include "engine/codecs/sample_depth.h"
#include "engine/colour/cicp_profile.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/io/byte_source.h"
#include "engine/metadata/exif.h"
#include "engine/metadata/orientation.h"

namespace ximora::engine {
namespace {

bool ok(avifResult result, const avifDecoder* decoder = nullptr) {
    return result == AVIF_RESULT_OK || failWithAvif(result, decoder);
}

// The EXIF orientation that does what the rotation (irot: quarter turns anticlockwise) and then
// the mirror (imir: mode 0 exchanges top and bottom, mode 1 left and right) do.
int orientationOf(const avifImage& image) {
    static constexpr int kOrientation[4][3] = {{1, 4, 2}, {8, 5, 7}, {3, 2, 4}, {6, 7, 5}};
    const int turns = image.transformFlags & AVIF_TRANSFORM_IROT ? image.irot.angle & 3 : 0;
    const int mirror = image.transformFlags & AVIF_TRANSFORM_IMIR ? 1 + (image.imir.mode & 1) : 0;
    return kOrientation[turns][mirror];
}

// a / b rounded down, for b > 0.
int64_t floorDivide(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return q * b > a ? q - 1 : q;
}

// The part of the picture its clean aperture keeps (the whole picture without one, or with an
// aperture outside it): a width and height centred on the picture's centre moved by the
// offsets, the corner rounded down to whole pixels. The picture is cropped after conversion to
// RGB, so a corner on an odd row of subsampled chroma (which libavif's own conversion refuses,
// and which encoders write for 270-row video frames) is cropped like any other.
avifCropRect visibleRect(const avifImage& image) {
    const avifCropRect whole{0, 0, image.width, image.height};
    if (!(image.transformFlags & AVIF_TRANSFORM_CLAP)) return whole;
    const avifCleanApertureBox& clap = image.clap;
    const auto offset = [](uint32_t n) { return int64_t(int32_t(n)); };  // signed in the box
    if (clap.widthD == 0 || clap.heightD == 0 || clap.horizOffD == 0 || clap.vertOffD == 0 ||
        clap.widthN % clap.widthD != 0 || clap.heightN % clap.heightD != 0)
        return whole;
    const int64_t width = clap.widthN / clap.widthD, height = clap.heightN / clap.heightD;
    if (width < 1 || height < 1 || width > int64_t(image.width) || height > int64_t(image.height))
        return whole;
    // corner = offset + (side - aperture) / 2, in halves of the offset's unit. The sides are at
    // most kMaxSide, so the products stay far inside 64 bits.
    const int64_t x = floorDivide(
        2 * offset(clap.horizOffN) + (int64_t(image.width) - width) * int64_t(clap.horizOffD),
        2 * int64_t(clap.horizOffD));
    const int64_t y = floorDivide(
        2 * offset(clap.vertOffN) + (int64_t(image.height) - height) * int64_t(clap.vertOffD),
        2 * int64_t(clap.vertOffD));
    if (x < 0 || y < 0 || x + width > int64_t(image.width) || y + height > int64_t(image.height))
        return whole;
    return avifCropRect{uint32_t(x), uint32_t(y), uint32_t(width), uint32_t(height)};
}

// Converts the decoded YUV planes to RGB(A) at the file's depth and copies the visible part,
// narrowed to 8 bits, into `image` (grey pictures keep one channel); `keepDeep` keeps the
// samples of a deeper file beside it.
bool toImage(avifImage& decoded, const avifCropRect& rect, bool keepDeep, Image& image) {
    const bool alpha = decoded.alphaPlane != nullptr;
    const bool grey = !alpha && decoded.yuvFormat == AVIF_PIXEL_FORMAT_YUV400;
    const int bits = grey ? 8 : alpha ? 32 : 24;
    if (!image.allocate(int(rect.width), int(rect.height), bits, grey)) return false;
    preferHugePages(image);
    if (grey) image.palette = greyPalette(8);

    avifRGBImage rgb;
    avifLibrary()->avifRGBImageSetDefaults(&rgb, &decoded);
    rgb.format = alpha ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_RGB;
    const size_t channels = alpha ? 4 : 3, bytes = rgb.depth > 8 ? 2 : 1;
    std::vector<uint8_t> pixels;
    try {
        pixels.resize(size_t(rgb.width) * channels * bytes * rgb.height);
    } catch (const std::bad_alloc&) {
        return fail(kErrMemory);
    }
    rgb.pixels = pixels.data();
    rgb.rowBytes = uint32_t(size_t(rgb.width) * channels * bytes);
    if (!ok(avifLibrary()->avifImageYUVToRGB(&decoded, &rgb))) return false;

    std::unique_ptr<DeepSamples> kept;
    if (bytes == 2 && keepDeep) {
        kept = makeDeepSamples(image.width(), image.height(), grey ? 1 : int(channels),
                               image.byteCount() + pixels.size());
        if (!kept) return false;
    }
    const uint32_t maximum = (1u << rgb.depth) - 1;
    const size_t step = grey ? channels : 1;  // grey: the red sample of each pixel
    const size_t count = size_t(rect.width) * (grey ? 1 : channels);
    parallelRows(int(rect.height), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* in = rgb.pixels + size_t(rect.y + uint32_t(y)) * rgb.rowBytes +
                                size_t(rect.x) * channels * bytes;
            uint8_t* out = image.row(y);
            uint16_t* wide = kept ? kept->row(y) : nullptr;
            for (size_t i = 0; i < count; ++i) {
                const size_t at = i * step;
                if (bytes == 1) {
                    out[i] = in[at];
                    continue;
                }
                const uint16_t v = reinterpret_cast<const uint16_t*>(in)[at];
                out[i] = narrowSample(v, maximum);
                if (wide) wide[i] = widenSample(v, maximum);
            }
        }
    });
    attachDeepSamples(image, std::move(kept));
    return true;
}

// libavif reading a ByteSource: each read is copied into a buffer that stays valid until the
// next one. Owned by the decoder, which destroys it.
struct SourceIO {
    explicit SourceIO(ByteSource& from) : source(from) {
        io.destroy = [](avifIO* self) { delete static_cast<SourceIO*>(self->data); };
        io.read = read;
        io.sizeHint = from.size();
        io.data = this;
    }
    static avifResult read(avifIO* self, uint32_t, uint64_t offset, size_t size, avifROData* out) {
        SourceIO& s = *static_cast<SourceIO*>(self->data);
        if (offset > s.source.size()) return AVIF_RESULT_IO_ERROR;
        const size_t length = size_t(std::min<uint64_t>(size, s.source.size() - offset));
        // A box that claims more than the budget is not read (a forged size).
        if (length > memoryLimit()) return AVIF_RESULT_OUT_OF_MEMORY;
        s.buffer.resize(length);
        if (s.source.read(offset, s.buffer.data(), length) != length) return AVIF_RESULT_IO_ERROR;
        out->data = s.buffer.data();
        out->size = length;
        return AVIF_RESULT_OK;
    }

    avifIO io{};
    ByteSource& source;
    std::vector<uint8_t> buffer;
};

// A decoder that has read the file's structure (sizes, properties, frames) from `source`, or
// from `size` bytes at `data` when `source` is null, no pixels yet; nullptr with the engine
// error when the file cannot be read (4 without libavif). Every use of libavif starts here.
AvifDecoderPtr parsedAvif(const uint8_t* data, size_t size, ByteSource* source = nullptr) {
    if (!avifLibrary()) return nullptr;
    AvifDecoderPtr decoder(avifLibrary()->avifDecoderCreate());
    if (!decoder) {
        fail(kErrMemory);
        return nullptr;
    }
    decoder->maxThreads = workerCount();
    decoder->strictFlags = AVIF_STRICT_DISABLED;  // read what other programs wrote loosely
    decoder->imageDimensionLimit = kMaxSide;
    if (source)
        avifLibrary()->avifDecoderSetIO(decoder.get(), &(new SourceIO(*source))->io);
    else if (!ok(avifLibrary()->avifDecoderSetIOMemory(decoder.get(), data, size), decoder.get()))
        return nullptr;
    if (!ok(avifLibrary()->avifDecoderParse(decoder.get()), decoder.get())) return nullptr;
    return decoder;
}

// Bytes libavif and its AV1 decoder hold while the picture is decoded and converted: the
// decoder's frame and libavif's planes (alpha included), then an RGB buffer at their depth.
uint64_t decodingBytes(const avifDecoder& decoder) {
    const avifImage& image = *decoder.image;
    const uint64_t pixels = uint64_t(image.width) * image.height;
    const uint64_t sampleBytes = image.depth > 8 ? 2 : 1;
    // Planes in halves of the luma plane: 4:4:4 three whole planes, 4:2:0 one and two quarters.
    uint64_t halves = image.yuvFormat == AVIF_PIXEL_FORMAT_YUV444   ? 6
                      : image.yuvFormat == AVIF_PIXEL_FORMAT_YUV422 ? 4
                      : image.yuvFormat == AVIF_PIXEL_FORMAT_YUV420 ? 3
                                                                    : 2;
    if (decoder.alphaPresent) halves += 2;
    const uint64_t planes = pixels * sampleBytes * halves / 2;
    return 2 * planes + pixels * sampleBytes * (decoder.alphaPresent ? 4 : 3);
}

std::vector<uint8_t> bytesOf(const avifRWData& data) {
    return data.size ? std::vector<uint8_t>(data.data, data.data + data.size)
                     : std::vector<uint8_t>{};
}

}  // namespace

bool decodeAvif(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    const AvifDecoderPtr decoder = parsedAvif(data, size);
    if (!decoder) return false;
    // The container says the size before any AV1 data is decoded.
    const int bits = decoder->alphaPresent ? 32 : 24;
    if (!Image::fitsLimits(decoder->image->width, decoder->image->height, bits)) return false;
    if (decodingBytes(*decoder) +
            Image::rasterBytes(decoder->image->width, decoder->image->height, bits) >
        memoryLimit())
        return fail(kErrMemory);
    // The AV1 decoder sizes its frames by the coded stream, not by the size the image declares,
    // which the budget judged: a 1 KB file declaring 64 × 48 decoded an 8192 × 8192 frame
    // (250 MB). No frame (a grid's tiles, the alpha) may be larger than the image, give or take
    // its padding to whole coding blocks (64 pixels at most each way).
    decoder->imageSizeLimit = uint32_t(std::min<uint64_t>(
        (uint64_t(decoder->image->width) + 64) * (uint64_t(decoder->image->height) + 64),
        decoder->imageSizeLimit));
    if (!ok(avifLibrary()->avifDecoderNextImage(decoder.get()), decoder.get())) return false;
    avifImage& decoded = *decoder->image;
    const avifCropRect rect = visibleRect(decoded);
    Image image;
    if (!toImage(decoded, rect, options.keepMetadata, image) ||
        !turnUpright(image, orientationOf(decoded)))
        return false;
    image.metadata.icc = decoded.icc.size
                             ? bytesOf(decoded.icc)
                             : iccFromCicp(decoded.colorPrimaries, decoded.transferCharacteristics);
    image.metadata.exif = bytesOf(decoded.exif);
    std::vector<uint8_t>& exif = image.metadata.exif;
    if (exif.size() >= 6 && std::memcmp(exif.data(), "Exif\0\0", 6) == 0)
        exif.erase(exif.begin(), exif.begin() + 6);
    if (exifOrientation(exif) > 1) setExifOrientation(exif, 1);
    image.metadata.xmp = bytesOf(decoded.xmp);
    if (!finishLoadedMetadata(image, options)) return false;
    out = std::move(image);
    return true;
}

bool readAvifFacts(ByteSource& source, ImageFacts& out) {
    const AvifDecoderPtr decoder = parsedAvif(nullptr, 0, &source);
    if (!decoder) return false;
    const avifImage& image = *decoder->image;
    if (!Image::fitsSides(image.width, image.height)) return false;
    const avifCropRect rect = visibleRect(image);
    const bool swap = orientationOf(image) >= 5;  // a quarter turn
    const bool grey = !decoder->alphaPresent && image.yuvFormat == AVIF_PIXEL_FORMAT_YUV400;
    out = ImageFacts{};
    out.width = int(swap ? rect.height : rect.width);
    out.height = int(swap ? rect.width : rect.height);
    out.bitsPerPixel = grey ? 8 : decoder->alphaPresent ? 32 : 24;
    out.grey = grey;
    out.sampleBits = std::max(8, int(image.depth));
    return true;
}

int avifFrameCount(const uint8_t* data, size_t size) {
    const int saved = lastError();
    const AvifDecoderPtr decoder = parsedAvif(data, size);
    setLastError(saved);
    return decoder ? std::max(1, decoder->imageCount) : 1;
}

}  // namespace ximora::engine
