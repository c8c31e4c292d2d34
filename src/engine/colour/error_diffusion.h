#pragma once
// Mapping every pixel of a 24-bit image through a quantizer, directly (parallel row bands) or
// with Floyd–Steinberg error diffusion. Diffusion runs serpentine over the whole image in one
// pass: every row takes the error of the row above, so no row starts afresh and no seam shows.
// (A serpentine row needs the whole row above it, so the pass cannot be split into bands.)
// Grey targets diffuse the error of the grey value alone: diffusing each colour channel against
// a grey result pushes the channels out of range, where clamping loses the error.

#include <algorithm>
#include <vector>

#include "engine/core/image.h"
#include "engine/core/parallel.h"

namespace ximora::engine {

/// Rec. 601 luminance, rounded: the grey value of a colour.
inline int luminance(int r, int g, int b) { return (r * 299 + g * 587 + b * 114 + 500) / 1000; }

namespace detail {

// `want(src, values)` sets the Channels wanted values of the pixel at `src`; `quantize(values,
// dst, shown)` writes the output pixel and sets the values it shows.
template <int Channels, class Want, class Quantize>
void diffuseImage(const Image& rgb, Image& out, const Want& want, const Quantize& quantize) {
    const int width = rgb.width(), step = out.bytesPerPixel();
    // Errors in sixteenths, one slot of padding at each end of the row.
    std::vector<int> current(size_t(width + 2) * Channels, 0), below(current.size(), 0);
    for (int y = 0; y < rgb.height(); ++y) {
        const bool leftward = y % 2 == 1;
        const int dir = leftward ? -1 : 1;
        const uint8_t* src = rgb.row(y);
        uint8_t* dst = out.row(y);
        std::fill(below.begin(), below.end(), 0);
        for (int i = 0, x = leftward ? width - 1 : 0; i < width; ++i, x += dir) {
            int* e = current.data() + size_t(x + 1) * Channels;
            int value[Channels], shown[Channels];
            want(src + x * 3, value);
            for (int c = 0; c < Channels; ++c)
                value[c] = std::clamp(value[c] + (e[c] + 8 * (e[c] > 0 ? 1 : -1)) / 16, 0, 255);
            quantize(value, dst + x * step, shown);
            int* ahead = e + dir * Channels;
            int* under = below.data() + size_t(x + 1) * Channels;
            for (int c = 0; c < Channels; ++c) {
                const int error = value[c] - shown[c];
                ahead[c] += error * 7;
                under[c - dir * Channels] += error * 3;
                under[c] += error * 5;
                under[c + dir * Channels] += error;
            }
        }
        std::swap(current, below);
    }
}

// Calls `each(src, dst)` for every pixel, rows on all cores: `src` the pixel's three samples,
// `dst` its place in `out`.
template <class Each>
void mapEachPixel(const Image& rgb, Image& out, const Each& each) {
    const int width = rgb.width(), step = out.bytesPerPixel();
    parallelRows(rgb.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* src = rgb.row(y);
            uint8_t* dst = out.row(y);
            for (int x = 0; x < width; ++x, src += 3, dst += step) each(src, dst);
        }
    });
}

}  // namespace detail

/// `quantize(r, g, b, out)` writes the output pixel at `out` (bytesPerPixel of `out` wide) and
/// returns the colour it shows. `rgb` is 24-bit; `out` is allocated at its size. Returns true.
template <class Quantize>
bool mapPixels(const Image& rgb, Image& out, bool diffuse, const Quantize& quantize) {
    if (!diffuse) {
        detail::mapEachPixel(rgb, out, [&](const uint8_t* src, uint8_t* dst) {
            quantize(src[0], src[1], src[2], dst);
        });
        return true;
    }
    detail::diffuseImage<3>(
        rgb, out,
        [](const uint8_t* p, int* value) { value[0] = p[0], value[1] = p[1], value[2] = p[2]; },
        [&](const int* value, uint8_t* dst, int* shown) {
            const Colour got = quantize(value[0], value[1], value[2], dst);
            shown[0] = got.r, shown[1] = got.g, shown[2] = got.b;
        });
    return true;
}

/// The grey form: `quantize(grey, out)` writes the output pixel for a grey value 0–255 and
/// returns the grey level it shows. Each pixel's grey value is its luminance.
template <class Quantize>
bool mapGreyPixels(const Image& rgb, Image& out, bool diffuse, const Quantize& quantize) {
    if (!diffuse) {
        detail::mapEachPixel(rgb, out, [&](const uint8_t* src, uint8_t* dst) {
            quantize(luminance(src[0], src[1], src[2]), dst);
        });
        return true;
    }
    detail::diffuseImage<1>(
        rgb, out, [](const uint8_t* p, int* value) { value[0] = luminance(p[0], p[1], p[2]); },
        [&](const int* value, uint8_t* dst, int* shown) { shown[0] = quantize(value[0], dst); });
    return true;
}

}  // namespace ximora::engine
