#include "engine/ops/gaussian.h"

#include <cmath>

#include "engine/ops/filter_frame.h"
#include "engine/ops/vector_clones.h"

namespace ximora::engine {

GaussianKernel::GaussianKernel(double sigma) {
    radius = std::max(1, int(std::ceil(3 * sigma)));
    std::vector<double> w(size_t(2 * radius + 1));
    double sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += w[size_t(i + radius)] = std::exp(-i * i / (2 * sigma * sigma));
    weights.resize(w.size());
    int64_t total = 0;
    for (size_t i = 0; i < w.size(); ++i)
        total += weights[i] = uint32_t(std::lround(w[i] / sum * (1 << kGaussianBits)));
    // The rounding residue goes to the centre tap, so a flat area stays exactly flat.
    weights[size_t(radius)] =
        uint32_t(int64_t(weights[size_t(radius)]) + (int64_t(1) << kGaussianBits) - total);
}

XIMORA_VECTOR_CLONES void gaussianRows(const Plane& src, const GaussianKernel& kernel, int y0,
                                       int y1,
                                       const std::function<void(int, const uint8_t*)>& rowDone) {
    const int r = kernel.radius, c = src.channels;
    const size_t len = size_t(src.width) * size_t(c);
    const size_t padded = len + size_t(2 * r * c);
    const uint32_t* w = kernel.weights.data();
    const int taps = 2 * r + 1;
    std::vector<uint32_t> acc(padded);
    std::vector<uint16_t> mid(padded);
    std::vector<uint8_t> out(len);
    constexpr int kBits = GaussianKernel::kGaussianBits;
    // The vertical pass keeps 8 fractional bits for the horizontal one.
    constexpr int kMidShift = kBits - 8;
    constexpr int kOutShift = kBits + 8;
    for (int y = y0; y < y1; ++y) {
        uint32_t* a = acc.data() + r * c;
        {
            const uint8_t* s = clampedRow(src, y - r);
            for (size_t i = 0; i < len; ++i) a[i] = w[0] * s[i];
        }
        for (int k = 1; k < taps; ++k) {
            const uint8_t* s = clampedRow(src, y - r + k);
            const uint32_t wk = w[k];
            for (size_t i = 0; i < len; ++i) a[i] += wk * s[i];
        }
        uint16_t* m = mid.data();
        for (size_t i = 0; i < len; ++i)
            m[i + size_t(r * c)] = uint16_t((a[i] + (1u << (kMidShift - 1))) >> kMidShift);
        for (int p = 0; p < r; ++p)
            for (int ch = 0; ch < c; ++ch) {
                m[p * c + ch] = m[r * c + ch];
                m[size_t(r * c) + len + size_t(p * c + ch)] =
                    m[size_t(r * c) + len - size_t(c) + size_t(ch)];
            }
        uint32_t* h = acc.data();
        for (size_t i = 0; i < len; ++i) h[i] = w[0] * m[i];
        for (int k = 1; k < taps; ++k) {
            const uint16_t* mk = m + k * c;
            const uint32_t wk = w[k];
            for (size_t i = 0; i < len; ++i) h[i] += wk * mk[i];
        }
        for (size_t i = 0; i < len; ++i)
            out[i] = uint8_t((h[i] + (1u << (kOutShift - 1))) >> kOutShift);
        rowDone(y, out.data());
    }
}

}  // namespace ximora::engine
