#include "engine/thumbs/pixel_packing.h"

#include <zlib.h>

#include "engine/core/error.h"

namespace ximora::engine {

std::vector<uint8_t> packPixels(const Image& rgb) {
    const size_t rowBytes = size_t(rgb.width()) * 3;
    std::vector<uint8_t> raw(rowBytes * size_t(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        const uint8_t* src = rgb.row(y);
        uint8_t* dst = raw.data() + size_t(y) * rowBytes;
        for (size_t i = 0; i < rowBytes; ++i) dst[i] = uint8_t(src[i] - (i >= 3 ? src[i - 3] : 0));
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    // Level 6: thumbnails are packed once and unpacked often; higher levels gain little.
    compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 6);
    packed.resize(packedSize);
    return packed;
}

bool unpackPixels(const uint8_t* data, size_t size, int width, int height, Image& out) {
    if (width < 1 || height < 1) return fail(kErrFileBroken);
    const size_t rowBytes = size_t(width) * 3;
    std::vector<uint8_t> raw(rowBytes * size_t(height));
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return fail(kErrMemory);
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    z.next_out = raw.data();
    z.avail_out = uInt(raw.size());
    const int status = inflate(&z, Z_FINISH);
    const bool whole = status == Z_STREAM_END && z.avail_out == 0 && z.avail_in == 0;
    inflateEnd(&z);
    if (!whole) return fail(kErrFileBroken);

    Image image;
    if (!image.allocate(width, height, 24)) return false;
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = raw.data() + size_t(y) * rowBytes;
        uint8_t* dst = image.row(y);
        for (size_t i = 0; i < rowBytes; ++i) dst[i] = uint8_t(src[i] + (i >= 3 ? dst[i - 3] : 0));
    }
    out = std::move(image);
    return true;
}

}  // namespace ximora::engine
