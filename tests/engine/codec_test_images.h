#pragma once
// Generated test images and comparisons shared by the codec tests.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "engine/core/image.h"

namespace ximora::engine::test {

/// A deterministic pattern at the given depth: every palette index and varied colours, so
/// that a codec mixing up bits, rows or channels shows.
inline Image patternImage(int width, int height, int bits, bool grey = false) {
    Image image;
    EXPECT_TRUE(image.allocateZeroed(width, height, bits, grey));
    if (bits <= 8) {
        const int count = 1 << bits;
        if (grey || bits == 1) {
            image.palette = greyPalette(bits);
        } else {
            image.palette.resize(size_t(count));
            for (int i = 0; i < count; ++i)
                image.palette[size_t(i)] =
                    Colour{uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * 5 + 3), 255};
        }
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image.row(y);
        for (int x = 0; x < width; ++x) {
            const int v = x * 7 + y * 13 + (x * y) % 11;
            switch (bits) {
                case 16: {
                    const uint16_t p = packRgb565(uint8_t(v * 3), uint8_t(x * 9), uint8_t(y * 5));
                    std::memcpy(row + x * 2, &p, 2);
                    break;
                }
                case 24:
                    row[x * 3] = uint8_t(v), row[x * 3 + 1] = uint8_t(x * 9),
                            row[x * 3 + 2] = uint8_t(y * 5);
                    break;
                case 32:
                    row[x * 4] = uint8_t(v), row[x * 4 + 1] = uint8_t(x * 9);
                    row[x * 4 + 2] = uint8_t(y * 5), row[x * 4 + 3] = uint8_t(255 - x * 3);
                    break;
                default:
                    row[x] = uint8_t(v % (1 << bits));
                    break;
            }
        }
    }
    return image;
}

/// A smooth photo-like RGB image (lossy codecs compare within a tolerance).
inline Image smoothImage(int width, int height) {
    Image image;
    EXPECT_TRUE(image.allocate(width, height, 24));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.row(y) + x * 3;
            p[0] = uint8_t(x * 255 / width), p[1] = uint8_t(y * 255 / height);
            p[2] = uint8_t((x + y) * 127 / (width + height) + 64);
        }
    return image;
}

/// Whether both images show the same colours at every pixel (palette order may differ).
inline ::testing::AssertionResult samePixels(const Image& a, const Image& b) {
    if (a.width() != b.width() || a.height() != b.height())
        return ::testing::AssertionFailure() << "size " << a.width() << "x" << a.height() << " vs "
                                             << b.width() << "x" << b.height();
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!(a.pixel(x, y) == b.pixel(x, y)))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
    return ::testing::AssertionSuccess();
}

/// Largest difference of any channel between two same-sized images.
inline int maxDifference(const Image& a, const Image& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const Colour p = a.pixel(x, y), q = b.pixel(x, y);
            worst =
                std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
        }
    return worst;
}

}  // namespace ximora::engine::test
