#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/geometry/geometry.h"
#include "engine/ops/colour_function.h"

namespace ximora::engine {
namespace {

void writeColour(uint8_t* row, int x, int bitsPerPixel, const Colour& c) {
    switch (bitsPerPixel) {
        case 16: {
            const uint16_t v = packRgb565(c.r, c.g, c.b);
            std::memcpy(row + size_t(x) * 2, &v, 2);
            break;
        }
        case 24:
            row[x * 3] = c.r, row[x * 3 + 1] = c.g, row[x * 3 + 2] = c.b;
            break;
        default:
            row[x * 4] = c.r, row[x * 4 + 1] = c.g, row[x * 4 + 2] = c.b, row[x * 4 + 3] = c.a;
            break;
    }
}

uint32_t key(const Colour& c) {
    return uint32_t(c.r) | uint32_t(c.g) << 8 | uint32_t(c.b) << 16 | uint32_t(c.a) << 24;
}

}  // namespace

bool composite(Image& target, const Image& source, int x, int y) {
    if (target.empty() || source.empty()) return fail(kErrNoImage);
    if (&target == &source) {
        // Shifting an image over itself: the rows read must not be the rows already written.
        const Image copy = source;
        if (copy.empty()) return fail(kErrMemory);
        return composite(target, copy, x, y);
    }
    // The overlap in target coordinates, computed in 64 bits so far offsets cannot overflow.
    const int64_t x0 = std::max<int64_t>(0, x), y0 = std::max<int64_t>(0, y);
    const int64_t x1 = std::min<int64_t>(target.width(), int64_t(x) + source.width());
    const int64_t y1 = std::min<int64_t>(target.height(), int64_t(y) + source.height());
    if (x1 <= x0 || y1 <= y0) return true;
    const int w = int(x1 - x0), sx0 = int(x0 - x), sy0 = int(y0 - y);
    const int bpp = target.bitsPerPixel();
    const bool sameLayout =
        source.bitsPerPixel() == bpp && (bpp > 8 || source.palette == target.palette);
    if (sameLayout) {
        const size_t n = size_t(target.bytesPerPixel());
        parallelRows(int(y1 - y0), [&](int r0, int r1) {
            for (int r = r0; r < r1; ++r)
                std::memcpy(target.row(int(y0) + r) + size_t(x0) * n,
                            source.row(sy0 + r) + size_t(sx0) * n, size_t(w) * n);
        });
        return true;
    }
    if (bpp > 8) {
        parallelRows(int(y1 - y0), [&](int r0, int r1) {
            for (int r = r0; r < r1; ++r)
                for (int i = 0; i < w; ++i)
                    writeColour(target.row(int(y0) + r), int(x0) + i, bpp,
                                source.pixel(sx0 + i, sy0 + r));
        });
        return true;
    }
    // A palette target: each distinct source colour is looked up once.
    std::unordered_map<uint32_t, uint8_t> indexOf;
    for (int r = 0; r < int(y1 - y0); ++r) {
        uint8_t* row = target.row(int(y0) + r);
        for (int i = 0; i < w; ++i) {
            const Colour c = source.pixel(sx0 + i, sy0 + r);
            auto [it, added] = indexOf.try_emplace(key(c), 0);
            if (added) it->second = paletteEntryFor(target.palette, bpp, c);
            row[x0 + i] = it->second;
        }
    }
    updateGreyFlag(target);
    return true;
}

}  // namespace ximora::engine
