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
#include "engine/metadata/exif.h"
#include "engine/metadata/orientation.h"

namespace ximora::engine {
namespace {

bool ok(avifResult result) { return result == AVIF_RESULT_OK || fail(avifError(result)); }

// The EXIF orientation that does what the rotation (irot: quarter turns anticlockwise) and then
// the mirror (imir: mode 0 exchanges top and bottom, mode 1 left and right) do.
int orientationOf(const avifImage& image) {
    static constexpr int kOrientation[4][3] = {{1, 4, 2}, {8, 5, 7}, {3, 2, 4}, {6, 7, 5}};
    const int turns = image.transformFlags & AVIF_TRANSFORM_IROT ? image.irot.angle & 3 : 0;
    const int mirror = image.transformFlags & AVIF_TRANSFORM_IMIR ? 1 + (image.imir.mode & 1) : 0;
    return kOrientation[turns][mirror];
}

// The part of the picture its clean aperture keeps (the whole picture without one).
avifCropRect visibleRect(const avifImage& image, avifDiagnostics& diagnostics) {
    avifCropRect whole{0, 0, image.width, image.height};
    if (!(image.transformFlags & AVIF_TRANSFORM_CLAP)) return whole;
    avifCropRect rect{};
    if (!avifCropRectConvertCleanApertureBox(&rect, &image.clap, image.width, image.height,
                                             image.yuvFormat, &diagnostics) ||
        rect.width < 1 || rect.height < 1 || rect.x + rect.width > image.width ||
        rect.y + rect.height > image.height)
        return whole;
    return rect;
}

// Converts the decoded YUV planes to RGB(A) at the file's depth and copies the visible part,
// narrowed to 8 bits, into `image` (grey pictures keep one channel).
bool toImage(avifImage& decoded, const avifCropRect& rect, Image& image) {
    const bool alpha = decoded.alphaPlane != nullptr;
    const bool grey = !alpha && decoded.yuvFormat == AVIF_PIXEL_FORMAT_YUV400;
    const int bits = grey ? 8 : alpha ? 32 : 24;
    if (!image.allocate(int(rect.width), int(rect.height), bits, grey)) return false;
    preferHugePages(image);
    if (grey) image.palette = greyPalette(8);

    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, &decoded);
    rgb.format = alpha ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_RGB;
    const size_t channels = alpha ? 4 : 3, bytes = rgb.depth > 8 ? 2 : 1;
    if (uint64_t(rgb.width) * rgb.height * channels * bytes > memoryLimit())
        return fail(kErrMemory);
    std::vector<uint8_t> pixels;
    try {
        pixels.resize(size_t(rgb.width) * channels * bytes * rgb.height);
    } catch (const std::bad_alloc&) {
        return fail(kErrMemory);
    }
    rgb.pixels = pixels.data();
    rgb.rowBytes = uint32_t(size_t(rgb.width) * channels * bytes);
    if (!ok(avifImageYUVToRGB(&decoded, &rgb))) return false;

    const uint32_t maximum = (1u << rgb.depth) - 1;
    const size_t step = grey ? channels : 1;  // grey: the red sample of each pixel
    const size_t count = size_t(rect.width) * (grey ? 1 : channels);
    parallelRows(int(rect.height), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* in = rgb.pixels + size_t(rect.y + uint32_t(y)) * rgb.rowBytes +
                                size_t(rect.x) * channels * bytes;
            uint8_t* out = image.row(y);
            for (size_t i = 0; i < count; ++i) {
                const size_t at = i * step;
                out[i] = bytes == 1
                             ? in[at]
                             : narrowSample(reinterpret_cast<const uint16_t*>(in)[at], maximum);
            }
        }
    });
    return true;
}

// A decoder that has read the file's structure (sizes, properties, frames), no pixels yet;
// nullptr with the engine error when the file cannot be read.
AvifDecoderPtr parsedAvif(const uint8_t* data, size_t size) {
    AvifDecoderPtr decoder(avifDecoderCreate());
    if (!decoder) {
        fail(kErrMemory);
        return nullptr;
    }
    decoder->maxThreads = workerCount();
    decoder->strictFlags = AVIF_STRICT_DISABLED;  // read what other programs wrote loosely
    decoder->imageDimensionLimit = kMaxSide;
    if (!ok(avifDecoderSetIOMemory(decoder.get(), data, size)) ||
        !ok(avifDecoderParse(decoder.get())))
        return nullptr;
    return decoder;
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
    if (!Image::fitsLimits(decoder->image->width, decoder->image->height,
                           decoder->alphaPresent ? 32 : 24) ||
        !ok(avifDecoderNextImage(decoder.get())))
        return false;
    avifImage& decoded = *decoder->image;
    avifDiagnostics diagnostics{};
    const avifCropRect rect = visibleRect(decoded, diagnostics);
    Image image;
    if (!toImage(decoded, rect, image) || !turnUpright(image, orientationOf(decoded))) return false;
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

int avifFrameCount(const uint8_t* data, size_t size) {
    const int saved = lastError();
    const AvifDecoderPtr decoder = parsedAvif(data, size);
    setLastError(saved);
    return decoder ? std::max(1, decoder->imageCount) : 1;
}

}  // namespace ximora::engine
