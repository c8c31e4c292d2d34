#include "engine/ops/gaussian.h"

#include <cmath>

#include "engine/ops/filter_frame.h"
#include "engine/ops/gaussian_wide.h"
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

namespace {

constexpr int kBits = GaussianKernel::kGaussianBits;
// The vertical pass keeps 8 fractional bits for the horizontal one.
constexpr int kMidShift = kBits - 8;
constexpr int kOutShift = kBits + 8;

XIMORA_VECTOR_CLONES void verticalPass(const uint8_t* const* rows, const uint32_t* w, int taps,
                                       size_t len, uint32_t* a, uint16_t* m) {
    for (size_t i = 0; i < len; ++i) a[i] = w[0] * rows[0][i];
    for (int k = 1; k < taps; ++k) {
        const uint8_t* s = rows[k];
        const uint32_t wk = w[k];
        for (size_t i = 0; i < len; ++i) a[i] += wk * s[i];
    }
    for (size_t i = 0; i < len; ++i) m[i] = uint16_t((a[i] + (1u << (kMidShift - 1))) >> kMidShift);
}

XIMORA_VECTOR_CLONES void horizontalPass(const uint16_t* m, const uint32_t* w, int taps, int c,
                                         size_t len, uint32_t* h, uint8_t* out) {
    for (size_t i = 0; i < len; ++i) h[i] = w[0] * m[i];
    for (int k = 1; k < taps; ++k) {
        const uint16_t* mk = m + k * c;
        const uint32_t wk = w[k];
        for (size_t i = 0; i < len; ++i) h[i] += wk * mk[i];
    }
    for (size_t i = 0; i < len; ++i)
        out[i] = uint8_t((h[i] + (1u << (kOutShift - 1))) >> kOutShift);
}

}  // namespace

void gaussianRows(const Plane& src, const GaussianKernel& kernel, int y0, int y1,
                  const std::function<void(int, const uint8_t*)>& rowDone) {
    const int r = kernel.radius, c = src.channels;
    const size_t len = size_t(src.width) * size_t(c);
    const size_t padded = len + size_t(2 * r * c);
    const uint32_t* w = kernel.weights.data();
    const int taps = 2 * r + 1;
#ifdef XIMORA_WIDE_GAUSSIAN
    const bool wide = wideGaussianAvailable();
#else
    const bool wide = false;
#endif
    std::vector<const uint8_t*> rows(static_cast<size_t>(taps));
    std::vector<uint32_t> acc(padded);
    std::vector<uint16_t> mid(padded);
    std::vector<uint8_t> out(len);
    for (int y = y0; y < y1; ++y) {
        for (int k = 0; k < taps; ++k) rows[size_t(k)] = clampedRow(src, y - r + k);
        uint16_t* m = mid.data();
#ifdef XIMORA_WIDE_GAUSSIAN
        if (wide)
            wideVerticalPass(rows.data(), w, r, len, m + r * c);
        else
#endif
            verticalPass(rows.data(), w, taps, len, acc.data(), m + r * c);
        for (int p = 0; p < r; ++p)
            for (int ch = 0; ch < c; ++ch) {
                m[p * c + ch] = m[r * c + ch];
                m[size_t(r * c) + len + size_t(p * c + ch)] =
                    m[size_t(r * c) + len - size_t(c) + size_t(ch)];
            }
#ifdef XIMORA_WIDE_GAUSSIAN
        if (wide)
            wideHorizontalPass(m, w, taps, c, len, out.data());
        else
#endif
            horizontalPass(m, w, taps, c, len, acc.data(), out.data());
        rowDone(y, out.data());
    }
}

}  // namespace ximora::engine
