#pragma once
// Small generated images for the engine tests.

#include <cstdint>
#include <random>

#include "engine/core/image.h"

namespace ximora::engine::testing {

/// A width × height image at `bits` with pseudo-random pixels (indexes below `paletteSize`
/// for palette depths, which get a palette of that many distinct colours).
inline Image randomImage(int width, int height, int bits, int paletteSize = 0, uint32_t seed = 1) {
    Image image;
    image.allocateZeroed(width, height, bits);
    std::mt19937 rng(seed);
    if (bits <= 8) {
        if (paletteSize == 0) paletteSize = 1 << bits;
        for (int i = 0; i < paletteSize; ++i)
            image.palette.push_back(Colour{uint8_t(rng()), uint8_t(rng()), uint8_t(i), 255});
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image.row(y);
        for (int x = 0; x < width * image.bytesPerPixel(); ++x)
            row[x] = bits <= 8 ? uint8_t(rng() % uint32_t(paletteSize)) : uint8_t(rng());
        // Runs as well as noise, so run-length coders see both.
        if (bits <= 8 && y % 3 == 0)
            for (int x = 0; x < width / 2; ++x) row[x] = row[0];
    }
    return image;
}

/// Whether two images have the same size, depth and colour at every pixel.
inline bool samePixels(const Image& a, const Image& b) {
    if (a.width() != b.width() || a.height() != b.height() || a.bitsPerPixel() != b.bitsPerPixel())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!(a.pixel(x, y) == b.pixel(x, y))) return false;
    return true;
}

}  // namespace ximora::engine::testing
