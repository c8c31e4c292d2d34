#pragma once
// Bilinear sampling with edge clamping, shared by the distortions. Weights are fixed point so
// a pixel's result never depends on how the rows were split between threads.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/core/image.h"

namespace ximora::engine {

/// Read-only view of a 24 or 32-bit raster for sampling.
struct SampleSource {
    const uint8_t* data;
    size_t stride;
    int width, height, channels;

    explicit SampleSource(const Image& image)
        : data(image.data()),
          stride(image.stride()),
          width(image.width()),
          height(image.height()),
          channels(image.bytesPerPixel()) {}

    const uint8_t* at(int x, int y) const {
        return data + size_t(y) * stride + size_t(x) * size_t(channels);
    }

    /// Writes the colour at (fx, fy) (pixel-centre coordinates) to out[0 .. channels). Positions
    /// beyond the raster take the nearest edge pixel; NaN counts as the origin.
    void bilinear(float fx, float fy, uint8_t* out) const {
        uint32_t acc[4] = {};
        accumulate(fx, fy, acc);
        for (int i = 0; i < channels; ++i) out[i] = uint8_t((acc[i] + 32768) >> 16);
    }

    /// Adds the colour at (fx, fy), as bilinear() takes it, scaled by 65536, to acc[0 .. channels);
    /// up to 256 samples fit in the 32-bit sums.
    void accumulate(float fx, float fy, uint32_t* acc) const {
        fx = std::isnan(fx) ? 0.f : std::clamp(fx, 0.f, float(width - 1));
        fy = std::isnan(fy) ? 0.f : std::clamp(fy, 0.f, float(height - 1));
        const int x0 = int(fx), y0 = int(fy);
        const int x1 = std::min(x0 + 1, width - 1), y1 = std::min(y0 + 1, height - 1);
        const uint32_t wx = uint32_t((fx - float(x0)) * 256.f + 0.5f);
        const uint32_t wy = uint32_t((fy - float(y0)) * 256.f + 0.5f);
        const uint32_t w00 = (256 - wx) * (256 - wy), w10 = wx * (256 - wy);
        const uint32_t w01 = (256 - wx) * wy, w11 = wx * wy;
        const uint8_t *a = at(x0, y0), *b = at(x1, y0), *c = at(x0, y1), *d = at(x1, y1);
        for (int i = 0; i < channels; ++i)
            acc[i] += a[i] * w00 + b[i] * w10 + c[i] * w01 + d[i] * w11;
    }
};

}  // namespace ximora::engine
