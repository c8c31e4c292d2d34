#include "engine/thumbs/pixel_packing.h"

#include "engine/codecs/jpeg/jpeg_codec.h"
#include "engine/core/error.h"

namespace ximora::engine {
namespace {

// Quality 90: fine detail of photos and text in screenshots stays readable at thumbnail size.
constexpr int kQuality = 90;

}  // namespace

bool packPixels(const Image& rgb, std::vector<uint8_t>& out) {
    if (rgb.bitsPerPixel() != 24) return fail(kErrBadParameter);
    SaveOptions options;
    options.format = kSaveJpeg;
    options.jpegQuality = kQuality;
    if (rgb.comment.empty() && rgb.metadata.exif.empty() && rgb.metadata.xmp.empty() &&
        rgb.metadata.icc.empty())
        return encodeJpeg(rgb, options, out);
    // A thumbnail's file blocks have no place in the cache.
    Image plain = rgb;
    plain.comment.clear();
    plain.metadata = {};
    return encodeJpeg(plain, options, out);
}

bool looksPacked(const uint8_t* data, size_t size) {
    return size >= 4 && data[0] == 0xFF && data[1] == 0xD8 && data[size - 2] == 0xFF &&
           data[size - 1] == 0xD9;
}

bool unpackPixels(const uint8_t* data, size_t size, int width, int height, Image& out) {
    if (width < 1 || height < 1 || !looksPacked(data, size)) return fail(kErrFileBroken);
    LoadOptions options;
    options.applyOrientation = false;
    options.keepMetadata = false;
    Image image;
    if (!decodeJpeg(data, size, options, image) || image.width() != width ||
        image.height() != height || image.bitsPerPixel() != 24)
        return fail(kErrFileBroken);
    image.dpiX = image.dpiY = 0;
    out = std::move(image);
    return true;
}

}  // namespace ximora::engine
