#include "vector/metafile/metafile_check.h"

#include <algorithm>
#include <cmath>

#include "engine/core/error.h"

namespace ximora::vector {

namespace {

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
int16_t s16(const uint8_t* p) { return int16_t(u16(p)); }
uint32_t u32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
int32_t s32(const uint8_t* p) { return int32_t(u32(p)); }

/// Pixels at 96 dpi for a length in `perInch` units; 0 for an empty or absurd length.
int pixels(double length, double perInch) {
    if (perInch <= 0) return 0;
    const double px = std::round(std::fabs(length) * 96.0 / perInch);
    return px >= 1 && px <= 1e6 ? int(px) : 0;
}

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr size_t kPlaceableSize = 22;
constexpr size_t kWmfHeaderSize = 18;
constexpr uint32_t kEmfSignature = 0x464D4520u;  // " EMF"
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEmrEof = 14;

}  // namespace

bool checkWmf(const uint8_t* data, size_t size, MetafileExtent& out) {
    out = {};
    size_t pos = 0;
    if (size >= 4 && u32(data) == kPlaceableKey) {
        if (size < kPlaceableSize) return engine::fail(engine::kErrFileBroken);
        const int left = s16(data + 6), top = s16(data + 8);
        const int right = s16(data + 10), bottom = s16(data + 12);
        const int perInch = u16(data + 14);
        out.width = pixels(double(right) - left, perInch);
        out.height = pixels(double(bottom) - top, perInch);
        if (perInch > 0) {
            out.left = std::min(left, right) * 96.0 / perInch;
            out.top = std::min(top, bottom) * 96.0 / perInch;
        }
        pos = kPlaceableSize;
    }
    if (size - pos < kWmfHeaderSize)
        return engine::fail(pos ? engine::kErrFileBroken : engine::kErrBadFile);
    const uint8_t* header = data + pos;
    const uint16_t type = u16(header), headerWords = u16(header + 2);
    if ((type != 1 && type != 2) || headerWords != 9) return engine::fail(engine::kErrBadFile);
    // Readers size their record buffer from the header's largest record: it must be true.
    const uint64_t statedLargest = u32(header + 12);
    pos += kWmfHeaderSize;
    uint64_t largest = 0;
    // Records: size in 16-bit words (at least 3: the size itself and the function), function.
    while (pos + 6 <= size) {
        const uint64_t words = u32(data + pos);
        const uint16_t function = u16(data + pos + 4);
        if (words < 3 || words * 2 > size - pos) return engine::fail(engine::kErrFileBroken);
        largest = std::max(largest, words);
        if (function == 0) {
            if (statedLargest < largest || statedLargest * 2 > size)
                return engine::fail(engine::kErrFileBroken);
            return true;
        }
        pos += size_t(words * 2);
    }
    return engine::fail(engine::kErrFileBroken);
}

bool checkEmf(const uint8_t* data, size_t size, MetafileExtent& out) {
    out = {};
    constexpr size_t kMinHeader = 88;
    if (size < kMinHeader || u32(data) != kEmrHeader || u32(data + 40) != kEmfSignature)
        return engine::fail(engine::kErrBadFile);
    const uint32_t headerBytes = u32(data + 4);
    if (headerBytes < kMinHeader || headerBytes > size || headerBytes % 4)
        return engine::fail(engine::kErrFileBroken);
    // The description (UTF-16 characters) and the pixel format lie inside the header record.
    const uint64_t descriptionChars = u32(data + 60), descriptionAt = u32(data + 64);
    if ((descriptionChars || descriptionAt) && (!descriptionChars || descriptionAt < kMinHeader ||
                                                descriptionAt + 2 * descriptionChars > headerBytes))
        return engine::fail(engine::kErrFileBroken);
    if (headerBytes >= 100) {
        const uint64_t formatBytes = u32(data + 88), formatAt = u32(data + 92);
        if (formatBytes && (formatAt < kMinHeader || formatAt + formatBytes > headerBytes))
            return engine::fail(engine::kErrFileBroken);
    }
    // Frame in 0.01 mm, inclusive; bounds in device pixels, inclusive.
    const double frameW = double(s32(data + 32)) - s32(data + 24);
    const double frameH = double(s32(data + 36)) - s32(data + 28);
    out.width = pixels(frameW, 2540.0);
    out.height = pixels(frameH, 2540.0);
    if (out.width == 0 || out.height == 0) {
        const double boundsW = double(s32(data + 16)) - s32(data + 8);
        const double boundsH = double(s32(data + 20)) - s32(data + 12);
        out.width = boundsW > 0 ? pixels(boundsW + 1, 96.0) : 0;
        out.height = boundsH > 0 ? pixels(boundsH + 1, 96.0) : 0;
    }
    size_t pos = 0;
    while (pos + 8 <= size) {
        const uint32_t type = u32(data + pos), bytes = u32(data + pos + 4);
        if (bytes < 8 || bytes % 4 || bytes > size - pos)
            return engine::fail(engine::kErrFileBroken);
        if (pos > 0 && type == kEmrHeader) return engine::fail(engine::kErrFileBroken);
        if (type == kEmrEof) return true;
        pos += bytes;
    }
    return engine::fail(engine::kErrFileBroken);
}

}  // namespace ximora::vector
