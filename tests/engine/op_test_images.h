#pragma once
// Generated test images at every depth and pixel-level comparisons for the engine's operation
// and codec tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/core/area.h"
#include "engine/core/image.h"
#include "engine/core/parallel.h"

namespace ximora::engine::test {

/// Nominal depths with the grey flag: every layout the engine stores.
struct Depth {
    int bits;
    bool grey;
    std::string name() const { return std::to_string(bits) + (grey ? "g" : ""); }
};
inline const std::vector<Depth>& allDepths() {
    static const std::vector<Depth> depths = {{1, false}, {4, false},  {4, true},   {8, false},
                                              {8, true},  {16, false}, {24, false}, {32, false}};
    return depths;
}

/// A photo-like image: smooth gradients, some edges and noise, deterministic for a seed. Palette
/// images get a random palette (grey ones a grey ramp) and indices that use all of it.
inline Image makeImage(int width, int height, Depth depth, unsigned seed = 1) {
    Image image;
    EXPECT_TRUE(image.allocate(width, height, depth.bits, depth.grey));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-12, 12);
    if (depth.bits <= 8) {
        const int entries = 1 << depth.bits;
        if (depth.grey) {
            image.palette = greyPalette(depth.bits);
        } else {
            for (int i = 0; i < entries; ++i)
                image.palette.push_back(
                    Colour{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 255});
        }
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.row(y)[x] = uint8_t(((x * 7 + y * 3) / 5 + (rng() % 3)) % entries);
        return image;
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image.row(y);
        for (int x = 0; x < width; ++x) {
            auto level = [&](int base) { return uint8_t(std::clamp(base + noise(rng), 0, 255)); };
            const uint8_t r = level(x * 255 / std::max(1, width - 1));
            const uint8_t g = level(y * 255 / std::max(1, height - 1));
            const uint8_t b = level(((x / 8 + y / 8) % 2) ? 200 : 40);
            if (depth.bits == 16) {
                const uint16_t v = packRgb565(r, g, b);
                std::memcpy(row + x * 2, &v, 2);
            } else if (depth.bits == 24) {
                row[x * 3] = r, row[x * 3 + 1] = g, row[x * 3 + 2] = b;
            } else {
                row[x * 4] = r, row[x * 4 + 1] = g, row[x * 4 + 2] = b,
                        row[x * 4 + 3] = uint8_t(128 + (x % 128));
            }
        }
    }
    return image;
}

/// The bytes of pixel (x, y) in the image's layout.
inline std::vector<uint8_t> pixelBytes(const Image& image, int x, int y) {
    const int n = image.bytesPerPixel();
    const uint8_t* p = image.row(y) + size_t(x) * size_t(n);
    return {p, p + n};
}

/// Same size, depth and pixel bytes (rows' padding ignored) and the same palette.
inline ::testing::AssertionResult sameImage(const Image& a, const Image& b) {
    if (a.width() != b.width() || a.height() != b.height() || a.bitsPerPixel() != b.bitsPerPixel())
        return ::testing::AssertionFailure()
               << "size or depth differ: " << a.width() << "x" << a.height() << "@"
               << a.bitsPerPixel() << " vs " << b.width() << "x" << b.height() << "@"
               << b.bitsPerPixel();
    if (a.palette != b.palette) return ::testing::AssertionFailure() << "palettes differ";
    const size_t len = size_t(a.width()) * size_t(a.bytesPerPixel());
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.row(y), b.row(y), len) != 0)
            return ::testing::AssertionFailure() << "row " << y << " differs";
    return ::testing::AssertionSuccess();
}

/// Colours equal at every pixel (layouts and palette order may differ).
inline ::testing::AssertionResult sameColours(const Image& a, const Image& b) {
    if (a.width() != b.width() || a.height() != b.height())
        return ::testing::AssertionFailure() << "size " << a.width() << "x" << a.height() << " vs "
                                             << b.width() << "x" << b.height();
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!(a.pixel(x, y) == b.pixel(x, y)))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
    return ::testing::AssertionSuccess();
}

/// Sum over all pixels and channels of |a − b| of the colours.
inline int64_t colourDistance(const Image& a, const Image& b) {
    int64_t sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const Colour p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
        }
    return sum;
}

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

/// Runs with a fixed number of pixel-loop bands and restores the default afterwards.
struct WorkerCount {
    explicit WorkerCount(int count) { setWorkerCount(count); }
    ~WorkerCount() { setWorkerCount(0); }
};

/// A four-point range polygon as the editor builds it from a selection rectangle.
inline std::vector<Point> rangePolygon(int left, int top, int right, int bottom) {
    return {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
}

}  // namespace ximora::engine::test
