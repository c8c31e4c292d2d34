#pragma once
// Bilinear sampling with edge clamping, shared by the distortions. Weights are fixed point so
// a pixel's result never depends on how the rows were split between threads. The channel count
// is a template argument so the per-channel loops unroll.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/core/image.h"

namespace ximora::engine {

/// Read-only view of a 24 or 32-bit raster for sampling.
struct SampleSource {
    const uint8_t* data;
    size_t stride;
    int width, height;

    explicit SampleSource(const Image& image)
        : data(image.data()),
          stride(image.stride()),
          width(image.width()),
          height(image.height()) {}

    /// Adds the colour at (fx, fy) (pixel-centre coordinates), scaled by 65536, to
    /// acc[0 .. N); up to 256 samples fit in the 32-bit sums. Positions beyond the raster take
    /// the nearest edge pixel; NaN counts as the origin.
    template <int N>
    void accumulate(float fx, float fy, uint32_t* acc) const {
        fx = std::isnan(fx) ? 0.f : std::clamp(fx, 0.f, float(width - 1));
        fy = std::isnan(fy) ? 0.f : std::clamp(fy, 0.f, float(height - 1));
        const int x0 = int(fx), y0 = int(fy);
        const uint32_t wx = uint32_t((fx - float(x0)) * 256.f + 0.5f);
        const uint32_t wy = uint32_t((fy - float(y0)) * 256.f + 0.5f);
        const uint32_t w00 = (256 - wx) * (256 - wy), w10 = wx * (256 - wy);
        const uint32_t w01 = (256 - wx) * wy, w11 = wx * wy;
        const uint8_t* a = data + size_t(y0) * stride + size_t(x0) * N;
        const uint8_t* c = y0 + 1 < height ? a + stride : a;
        const int right = x0 + 1 < width ? N : 0;
        for (int i = 0; i < N; ++i)
            acc[i] += a[i] * w00 + a[i + right] * w10 + c[i] * w01 + c[i + right] * w11;
    }

    /// Writes the colour at (fx, fy), taken as accumulate() takes it, to out[0 .. N).
    template <int N>
    void bilinear(float fx, float fy, uint8_t* out) const {
        uint32_t acc[N] = {};
        accumulate<N>(fx, fy, acc);
        for (int i = 0; i < N; ++i) out[i] = uint8_t((acc[i] + 32768) >> 16);
    }
};

}  // namespace ximora::engine
