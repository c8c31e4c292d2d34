#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/geometry/geometry.h"
#include "engine/geometry/half_turn.h"
#include "engine/geometry/pixel_bytes.h"
#include "engine/geometry/reverse_pixels.h"

namespace ximora::engine {
namespace {

template <int N>
void reverseRow(uint8_t* row, int width, uint8_t* scratch) {
    if constexpr (N == 3) {
        reversePixels3(row, scratch, width);
        std::memcpy(row, scratch, size_t(width) * 3);
    } else {
        for (int a = 0, b = width - 1; a < b; ++a, --b) {
            const auto pa = loadPixel<N>(row, size_t(a)), pb = loadPixel<N>(row, size_t(b));
            storePixel<N>(row, size_t(a), pb);
            storePixel<N>(row, size_t(b), pa);
        }
    }
}

// Swaps rows y and height − 1 − y for y in [y0, y1), reversing both when `mirror` is set
// (a turn by 180°). The middle row of an odd height is only reversed.
template <int N>
void swapRows(Image& image, int y0, int y1, bool mirror) {
    const int h = image.height(), w = image.width();
    const size_t len = size_t(w) * N;
    std::vector<uint8_t> tmp(len);
    for (int y = y0; y < y1; ++y) {
        const int other = h - 1 - y;
        uint8_t *a = image.row(y), *b = image.row(other);
        if (y == other) {
            if (mirror) reverseRow<N>(a, w, tmp.data());
            continue;
        }
        if (!mirror) {
            std::memcpy(tmp.data(), a, len);
            std::memcpy(a, b, len);
            std::memcpy(b, tmp.data(), len);
        } else if constexpr (N == 3) {
            reversePixels3(a, tmp.data(), w);
            reversePixels3(b, a, w);
            std::memcpy(b, tmp.data(), len);
        } else {
            for (int x = 0; x < w; ++x) {
                const auto pa = loadPixel<N>(a, size_t(x)), pb = loadPixel<N>(b, size_t(w - 1 - x));
                storePixel<N>(a, size_t(x), pb);
                storePixel<N>(b, size_t(w - 1 - x), pa);
            }
        }
    }
}

}  // namespace

bool flipHorizontal(Image& image) {
    if (image.empty()) return fail(kErrNoImage);
    withPixelSize(image.bytesPerPixel(), [&]<int N>() {
        parallelRows(image.height(), [&](int y0, int y1) {
            std::vector<uint8_t> scratch(size_t(image.width()) * N);
            for (int y = y0; y < y1; ++y)
                reverseRow<N>(image.row(y), image.width(), scratch.data());
        });
    });
    return true;
}

bool flipVertical(Image& image) {
    if (image.empty()) return fail(kErrNoImage);
    withPixelSize(image.bytesPerPixel(), [&]<int N>() {
        parallelRows((image.height() + 1) / 2,
                     [&](int y0, int y1) { swapRows<N>(image, y0, y1, false); });
    });
    return true;
}

bool turnHalf(Image& image) {
    if (image.empty()) return fail(kErrNoImage);
    withPixelSize(image.bytesPerPixel(), [&]<int N>() {
        parallelRows((image.height() + 1) / 2,
                     [&](int y0, int y1) { swapRows<N>(image, y0, y1, true); });
    });
    return true;
}

}  // namespace ximora::engine
