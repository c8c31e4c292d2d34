#pragma once
// Mapping every pixel of a 24-bit image through a quantizer, directly (parallel row bands) or
// with Floyd–Steinberg error diffusion (serpentine). Diffusion carries error from row to row,
// so it runs in fixed bands of kDiffusionBand rows that each start without error: the bands
// depend on the image alone, never on the number of threads, and the seam left by one row in
// 512 starting afresh is invisible.

#include <algorithm>
#include <vector>

#include "engine/core/image.h"
#include "engine/core/parallel.h"

namespace ximora::engine {

/// `quantize(r, g, b, out)` writes the output pixel at `out` (bytesPerPixel of `out` wide) and
/// returns the colour it shows. `rgb` is 24-bit; `out` is allocated at its size. Returns true.
constexpr int kDiffusionBand = 512;

template <class Quantize>
void diffuseRows(const Image& rgb, Image& out, int y0, int y1, const Quantize& quantize) {
    const int width = rgb.width(), step = out.bytesPerPixel();
    // Errors in sixteenths, one slot of padding at each end of the row.
    std::vector<int> current(size_t(width + 2) * 3, 0), below(current.size(), 0);
    for (int y = y0; y < y1; ++y) {
        const bool leftward = y % 2 == 1;
        const int dir = leftward ? -1 : 1;
        const uint8_t* src = rgb.row(y);
        uint8_t* dst = out.row(y);
        std::fill(below.begin(), below.end(), 0);
        for (int i = 0, x = leftward ? width - 1 : 0; i < width; ++i, x += dir) {
            int* e = current.data() + size_t(x + 1) * 3;
            int want[3];
            for (int c = 0; c < 3; ++c)
                want[c] =
                    std::clamp(src[x * 3 + c] + (e[c] + 8 * (e[c] > 0 ? 1 : -1)) / 16, 0, 255);
            const Colour got = quantize(want[0], want[1], want[2], dst + x * step);
            const int error[3] = {want[0] - got.r, want[1] - got.g, want[2] - got.b};
            int* ahead = e + dir * 3;
            int* under = below.data() + size_t(x + 1) * 3;
            for (int c = 0; c < 3; ++c) {
                ahead[c] += error[c] * 7;
                under[c - dir * 3] += error[c] * 3;
                under[c] += error[c] * 5;
                under[c + dir * 3] += error[c];
            }
        }
        std::swap(current, below);
    }
}

template <class Quantize>
bool mapPixels(const Image& rgb, Image& out, bool diffuse, const Quantize& quantize) {
    const int width = rgb.width(), height = rgb.height(), step = out.bytesPerPixel();
    if (!diffuse) {
        parallelRows(height, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const uint8_t* src = rgb.row(y);
                uint8_t* dst = out.row(y);
                for (int x = 0; x < width; ++x, src += 3, dst += step)
                    quantize(src[0], src[1], src[2], dst);
            }
        });
        return true;
    }
    const int bands = (height + kDiffusionBand - 1) / kDiffusionBand;
    parallelRows(
        bands,
        [&](int b0, int b1) {
            for (int band = b0; band < b1; ++band)
                diffuseRows(rgb, out, band * kDiffusionBand,
                            std::min(height, (band + 1) * kDiffusionBand), quantize);
        },
        1);
    return true;
}

}  // namespace ximora::engine
