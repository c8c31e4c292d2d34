#include "effects_support.h"

#include <cmath>
#include <cstdlib>

#include "engine/effects/canvas.h"
#include "engine/effects/contour.h"
#include "engine/effects/emboss.h"
#include "engine/effects/lens.h"
#include "engine/effects/mosaic.h"
#include "engine/effects/motion_blur.h"
#include "engine/effects/ripple.h"
#include "engine/effects/swirl.h"
#include "engine/effects/wave.h"

namespace ximora::engine::testing {

Image photo(int width, int height, int bitsPerPixel) {
    Image image;
    image.allocateZeroed(width, height, bitsPerPixel);
    uint32_t seed = 12345;
    const int n = image.bytesPerPixel();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const bool disc = std::hypot(x - width / 3.0, y - height / 2.0) < width / 5.0;
            const bool bar = x > width * 2 / 3 && y % 12 < 5;
            int r = 40 + 160 * x / width + grain, g = 60 + 150 * y / height + grain,
                b = 200 - 120 * x / width + grain;
            if (disc) r = 230, g = 200 + grain, b = 40;
            if (bar) r = g = b = 20;
            uint8_t* p = image.row(y) + x * n;
            p[0] = uint8_t(std::clamp(r, 0, 255));
            p[1] = uint8_t(std::clamp(g, 0, 255));
            p[2] = uint8_t(std::clamp(b, 0, 255));
            if (n == 4) p[3] = uint8_t(128 + (x + y) % 128);
        }
    return image;
}

Image flat(int width, int height, Colour colour, int bitsPerPixel) {
    Image image;
    image.allocate(width, height, bitsPerPixel);
    const int n = image.bytesPerPixel();
    const uint8_t c[4] = {colour.r, colour.g, colour.b, colour.a};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int i = 0; i < n; ++i) image.row(y)[x * n + i] = c[i];
    return image;
}

double meanDifference(const Image& a, const Image& b) {
    const int n = a.bytesPerPixel();
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int i = 0; i < a.width() * n; ++i) sum += std::abs(a.row(y)[i] - b.row(y)[i]);
    return sum / (double(a.width()) * a.height() * n);
}

bool sameRaster(const Image& a, const Image& b) {
    if (a.width() != b.width() || a.height() != b.height() || a.bitsPerPixel() != b.bitsPerPixel())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int i = 0; i < a.width() * a.bytesPerPixel(); ++i)
            if (a.row(y)[i] != b.row(y)[i]) return false;
    return true;
}

std::vector<NamedEffect> menuEffects() {
    auto with = [](auto op, auto params) {
        return [op, params](Image& image, const Area& area) { return op(image, area, params); };
    };
    return {
        {"emboss", with(emboss, EmbossParams{0, 3, 100})},
        {"mosaic", with(mosaic, MosaicParams{10, 10})},
        {"contour", with(contour, ContourParams{0, 0, 10})},
        {"motion linear", with(motionBlur, MotionBlurParams{0, 30, 20})},
        {"motion radial", with(motionBlur, MotionBlurParams{1, 30, 20})},
        {"motion zoom", with(motionBlur, MotionBlurParams{2, 30, 20})},
        {"wave", with(wave, WaveParams{0, 0, 100, 10, 0.5, 1})},
        {"ripple", with(ripple, RippleParams{20.0, 10.0, 0.5, 0, false})},
        {"swirl", with(swirl, SwirlParams{360.0, 1.0, 1.0})},
        {"lens", with(lens, LensParams{3.0, false, {255, 255, 255, 255}})},
        {"canvas", with(canvas, CanvasParams{1, 20})},
    };
}

}  // namespace ximora::engine::testing
