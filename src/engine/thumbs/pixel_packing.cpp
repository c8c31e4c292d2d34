#include "engine/thumbs/pixel_packing.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "engine/codecs/jpeg/jpeg_codec.h"
#include "engine/core/error.h"

namespace ximora::engine {
namespace {

// Quality 90: fine detail of photos and text in screenshots stays readable at thumbnail size.
constexpr int kQuality = 90;

// A transparent thumbnail's alpha travels, deflated, in APP11 segments tagged so right after
// the start marker. JPEG readers skip them: a reader that knows nothing of them (an older
// version of the program reading the same cache) shows the colours laid over white.
constexpr uint8_t kAlphaMarker = 0xEB;
constexpr std::string_view kAlphaTag{"XimoraAlpha\0", 12};
constexpr size_t kMaxSegmentData = 65535 - 2 - kAlphaTag.size();

uint8_t overWhite(uint8_t c, uint8_t a) { return uint8_t((c * a + 255 * (255 - a) + 127) / 255); }

// The colour that, laid over white with alpha `a`, gives `p` (0 where nothing shows).
uint8_t fromWhite(uint8_t p, uint8_t a) {
    const int shown = int(p) - 255 + a;
    return a && shown > 0 ? uint8_t(std::min(255, (255 * shown + a / 2) / a)) : 0;
}

// Inserts the deflated alpha plane of `rgba` after the start marker of `jpeg`.
bool addAlpha(const Image& rgba, std::vector<uint8_t>& jpeg) {
    std::vector<uint8_t> alpha(size_t(rgba.width()) * size_t(rgba.height()));
    for (int y = 0; y < rgba.height(); ++y)
        for (int x = 0; x < rgba.width(); ++x)
            alpha[size_t(y) * size_t(rgba.width()) + size_t(x)] = rgba.row(y)[4 * x + 3];
    uLongf packedSize = compressBound(uLong(alpha.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, alpha.data(), uLong(alpha.size()), 6) != Z_OK)
        return fail(kErrMemory);
    std::vector<uint8_t> segments;
    for (size_t at = 0; at < packedSize; at += kMaxSegmentData) {
        const size_t part = std::min(kMaxSegmentData, size_t(packedSize) - at);
        const size_t length = 2 + kAlphaTag.size() + part;
        segments.insert(segments.end(),
                        {0xFF, kAlphaMarker, uint8_t(length >> 8), uint8_t(length)});
        segments.insert(segments.end(), kAlphaTag.begin(), kAlphaTag.end());
        segments.insert(segments.end(), packed.begin() + long(at),
                        packed.begin() + long(at + part));
    }
    jpeg.insert(jpeg.begin() + 2, segments.begin(), segments.end());
    return true;
}

// The deflated alpha gathered from the segments before the scan; empty when there are none.
std::vector<uint8_t> packedAlpha(const uint8_t* data, size_t size) {
    std::vector<uint8_t> packed;
    size_t at = 2;
    while (at + 4 <= size && data[at] == 0xFF && data[at + 1] != 0xDA) {
        const size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
        if (length < 2 || at + 2 + length > size) break;
        if (data[at + 1] == kAlphaMarker && length >= 2 + kAlphaTag.size() &&
            std::memcmp(data + at + 4, kAlphaTag.data(), kAlphaTag.size()) == 0)
            packed.insert(packed.end(), data + at + 4 + kAlphaTag.size(), data + at + 2 + length);
        at += 2 + length;
    }
    return packed;
}

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

bool packPixels(const Image& thumb, std::vector<uint8_t>& out) {
    if (thumb.bitsPerPixel() != 24 && thumb.bitsPerPixel() != 32) return fail(kErrBadParameter);
    SaveOptions options;
    options.format = kSaveJpeg;
    options.jpegQuality = kQuality;
    if (thumb.bitsPerPixel() == 24 && thumb.comment.empty() && thumb.metadata.exif.empty() &&
        thumb.metadata.xmp.empty() && thumb.metadata.icc.empty())
        return encodeJpeg(thumb, options, out);
    // A thumbnail's file blocks have no place in the cache.
    Image plain;
    if (!plain.allocate(thumb.width(), thumb.height(), 24)) return false;
    for (int y = 0; y < thumb.height(); ++y) {
        const uint8_t* src = thumb.row(y);
        uint8_t* dst = plain.row(y);
        if (thumb.bitsPerPixel() == 24) {
            std::memcpy(dst, src, size_t(thumb.width()) * 3);
            continue;
        }
        for (int x = 0; x < thumb.width(); ++x, src += 4, dst += 3)
            for (int c = 0; c < 3; ++c) dst[c] = overWhite(src[c], src[3]);
    }
    return encodeJpeg(plain, options, out) && (thumb.bitsPerPixel() == 24 || addAlpha(thumb, out));
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
    const std::vector<uint8_t> packed = packedAlpha(data, size);
    if (!packed.empty()) {
        std::vector<uint8_t> alpha(size_t(width) * size_t(height));
        uLongf alphaSize = uLongf(alpha.size());
        Image rgba;
        if (uncompress(alpha.data(), &alphaSize, packed.data(), uLong(packed.size())) != Z_OK ||
            alphaSize != alpha.size() || !rgba.allocate(width, height, 32))
            return fail(kErrFileBroken);
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = image.row(y);
            const uint8_t* a = alpha.data() + size_t(y) * size_t(width);
            uint8_t* dst = rgba.row(y);
            for (int x = 0; x < width; ++x, src += 3, dst += 4) {
                for (int c = 0; c < 3; ++c) dst[c] = fromWhite(src[c], a[x]);
                dst[3] = a[x];
            }
        }
        image = std::move(rgba);
    }
    out = std::move(image);
    return true;
}

}  // namespace ximora::engine
