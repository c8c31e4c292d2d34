#include "engine/ops/tone.h"

#include <algorithm>
#include <cstring>

#include "engine/core/error.h"
#include "engine/ops/colour_function.h"
#include "engine/ops/samples.h"

namespace ximora::engine {
namespace {

bool inRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

}  // namespace

bool adjustBrightness(Image& image, const Area& area, const BrightnessParams& params) {
    if (!inRange(params.red, -255, 255) || !inRange(params.green, -255, 255) ||
        !inRange(params.blue, -255, 255))
        return fail(kErrBadParameter);
    uint8_t table[3][256];
    const int delta[3] = {params.red, params.green, params.blue};
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) table[c][v] = uint8_t(std::clamp(v + delta[c], 0, 255));
    return applyColourFunction(image, area, [&table](uint8_t& r, uint8_t& g, uint8_t& b) {
        r = table[0][r], g = table[1][g], b = table[2][b];
    });
}

bool adjustSaturation(Image& image, const Area& area, const SaturationParams& params) {
    if (!inRange(params.level, -100, 1000)) return fail(kErrBadParameter);
    const int factor = 100 + params.level;
    return applyColourFunction(image, area, [factor](uint8_t& r, uint8_t& g, uint8_t& b) {
        const int y = luma(r, g, b);
        auto scale = [&](uint8_t& c) {
            const int d = (c - y) * factor;
            // Rounded half away from zero, so the result is symmetric about the grey level.
            c = uint8_t(std::clamp(y + (d >= 0 ? d + 50 : d - 50) / 100, 0, 255));
        };
        scale(r), scale(g), scale(b);
    });
}

bool invertChannels(Image& image, const Area& area, const InversionParams& params) {
    const uint8_t mr = params.red ? 255 : 0, mg = params.green ? 255 : 0,
                  mb = params.blue ? 255 : 0;
    return applyColourFunction(
        image, area, [=](uint8_t& r, uint8_t& g, uint8_t& b) { r ^= mr, g ^= mg, b ^= mb; });
}

bool fillArea(Image& image, const Area& area, const Colour& colour) {
    if (image.empty()) return fail(kErrNoImage);
    if (image.bitsPerPixel() <= 8) {
        const AreaMask mask(area, image.width(), image.height());
        remapPalette(image, mask, [&colour](Colour) {
            return Colour{colour.r, colour.g, colour.b, 255};
        });
        return true;
    }
    uint8_t pixel[4] = {colour.r, colour.g, colour.b, colour.a};
    if (image.bitsPerPixel() == 16) {
        const uint16_t v = packRgb565(colour.r, colour.g, colour.b);
        std::memcpy(pixel, &v, 2);
    }
    const size_t n = size_t(image.bytesPerPixel());
    const AreaMask mask(area, image.width(), image.height());
    parallelRows(image.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (const Span& s : mask.spans(y))
                for (int x = s.x0; x < s.x1; ++x) std::memcpy(image.row(y) + x * n, pixel, n);
    });
    return true;
}

}  // namespace ximora::engine
