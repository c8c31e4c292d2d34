#include "engine/thumbs/pixel_packing.h"

#include "engine/codecs/jpeg/jpeg_codec.h"
#include "engine/core/error.h"

namespace ximora::engine {
namespace {

// Quality 90: fine detail of photos and text in screenshots stays readable at thumbnail size.
constexpr int kQuality = 90;

// The frame size a JPEG states in its first start-of-frame segment; false when there is none
// before the data ends.
bool statedSize(const uint8_t* data, size_t size, int& width, int& height) {
    size_t at = 2;
    while (at + 4 <= size && data[at] == 0xFF) {
        const uint8_t marker = data[at + 1];
        const size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > size) return false;
            height = data[at + 5] << 8 | data[at + 6];
            width = data[at + 7] << 8 | data[at + 8];
            return true;
        }
        if (length < 2) return false;
        at += 2 + length;
    }
    return false;
}

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
    // A damaged cache may pack a picture far larger than its entry says: judged before any
    // memory is asked for it.
    int statedWidth = 0, statedHeight = 0;
    if (!statedSize(data, size, statedWidth, statedHeight) || statedWidth != width ||
        statedHeight != height)
        return fail(kErrFileBroken);
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
