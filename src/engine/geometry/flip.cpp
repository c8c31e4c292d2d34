#include <cstring>
#include <vector>

#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/geometry/deep_move.h"
#include "engine/geometry/geometry.h"
#include "engine/geometry/half_turn.h"
#include "engine/geometry/reverse_pixels.h"

namespace ximora::engine {
namespace {

// Swaps rows y and height − 1 − y for y in [y0, y1), mirroring both when `mirror` is set (a turn
// by 180°). The middle row of an odd height is only mirrored.
void swapRows(Image& image, int y0, int y1, bool mirror) {
    const int h = image.height(), w = image.width(), n = image.bytesPerPixel();
    const size_t len = size_t(w) * size_t(n);
    std::vector<uint8_t> tmp(mirror ? 0 : len);
    for (int y = y0; y < y1; ++y) {
        uint8_t *a = image.row(y), *b = image.row(h - 1 - y);
        if (mirror && a == b) {
            reverseInPlace(a, w, n);
        } else if (mirror) {
            swapMirrored(a, b, w, n);
        } else if (a != b) {
            std::memcpy(tmp.data(), a, len);
            std::memcpy(a, b, len);
            std::memcpy(b, tmp.data(), len);
        }
    }
}

}  // namespace

bool flipHorizontal(Image& image) {
    if (image.empty()) return fail(kErrNoImage);
    std::unique_ptr<DeepSamples> deep;
    if (!moveDeepSamples(image, 2, deep)) return false;
    parallelRows(image.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            // The two halves of a row are short streams running towards each other, which
            // the hardware is slow to fetch ahead; the next row is asked for while this one
            // is mirrored.
            if (y + 1 < y1)
                for (size_t b = 0; b < image.stride(); b += 64)
                    __builtin_prefetch(image.row(y + 1) + b, 1);
            reverseInPlace(image.row(y), image.width(), image.bytesPerPixel());
        }
    });
    attachDeepSamples(image, std::move(deep));
    return true;
}

bool flipVertical(Image& image) {
    if (image.empty()) return fail(kErrNoImage);
    std::unique_ptr<DeepSamples> deep;
    if (!moveDeepSamples(image, 4, deep)) return false;
    parallelRows((image.height() + 1) / 2, [&](int y0, int y1) { swapRows(image, y0, y1, false); });
    attachDeepSamples(image, std::move(deep));
    return true;
}

bool turnHalf(Image& image) {
    if (image.empty()) return fail(kErrNoImage);
    std::unique_ptr<DeepSamples> deep;
    if (!moveDeepSamples(image, 3, deep)) return false;
    parallelRows((image.height() + 1) / 2, [&](int y0, int y1) { swapRows(image, y0, y1, true); });
    attachDeepSamples(image, std::move(deep));
    return true;
}

}  // namespace ximora::engine
