#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/geometry/geometry.h"
#include "engine/ops/samples.h"

namespace ximora::engine {
namespace {

constexpr int kWeightBits = 14;
constexpr int kMidBits = 4;  // fractional bits kept between the two passes

// For each output position along one axis: `taps` source indexes and integer weights summing to
// 1 << kWeightBits.
struct AxisWeights {
    int taps = 0;
    std::vector<int> index;
    std::vector<int32_t> weight;
};

double catmullRom(double t) {
    t = std::abs(t);
    if (t < 1) return 1.5 * t * t * t - 2.5 * t * t + 1;
    if (t < 2) return -0.5 * t * t * t + 2.5 * t * t - 4 * t + 2;
    return 0;
}

AxisWeights axisWeights(int from, int to) {
    AxisWeights a;
    const double scale = double(from) / to;
    a.taps = to < from ? int(std::ceil(scale)) + 1 : 4;
    a.index.assign(size_t(to) * size_t(a.taps), 0);
    a.weight.assign(a.index.size(), 0);
    std::vector<double> w(size_t(a.taps));
    for (int i = 0; i < to; ++i) {
        int first;
        if (to < from) {
            // Area averaging: the share of each source pixel in [i·scale, (i+1)·scale).
            const double lo = i * scale, hi = (i + 1) * scale;
            first = int(std::floor(lo));
            for (int k = 0; k < a.taps; ++k) {
                const double overlap =
                    std::min(hi, double(first + k + 1)) - std::max(lo, double(first + k));
                w[size_t(k)] = std::max(overlap, 0.0) / scale;
            }
        } else {
            const double centre = (i + 0.5) * scale - 0.5;
            first = int(std::floor(centre)) - 1;
            for (int k = 0; k < 4; ++k) w[size_t(k)] = catmullRom(centre - (first + k));
        }
        int32_t* wi = a.weight.data() + size_t(i) * size_t(a.taps);
        int* ii = a.index.data() + size_t(i) * size_t(a.taps);
        // Floors, then one more unit to the taps with the largest remainders, so the weights sum
        // exactly to one (flat areas stay flat) even when a tap weighs only a few units.
        std::vector<std::pair<double, int>> remainder(size_t(a.taps));
        int32_t total = 0;
        for (int k = 0; k < a.taps; ++k) {
            ii[k] = std::clamp(first + k, 0, from - 1);
            const double scaled = w[size_t(k)] * (1 << kWeightBits);
            total += wi[k] = int32_t(std::floor(scaled));
            remainder[size_t(k)] = {scaled - std::floor(scaled), k};
        }
        std::stable_sort(remainder.begin(), remainder.end(),
                         [](auto& p, auto& q) { return p.first > q.first; });
        for (int k = 0; total < (1 << kWeightBits); ++k, ++total)
            ++wi[remainder[size_t(k % a.taps)].second];
    }
    return a;
}

}  // namespace

bool resize(Image& image, const ResizeParams& params) {
    if (image.empty()) return fail(kErrNoImage);
    if (params.width < 1 || params.height < 1 || params.width > kMaxSide ||
        params.height > kMaxSide)
        return fail(kErrBadParameter);
    if (params.width == image.width() && params.height == image.height()) return true;
    Image samples;
    const bool native = sampleKind(image) == SampleKind::Native;
    if (!native && !extractSamples(image, samples)) return false;
    const Image& src = native ? image : samples;
    const int c = src.bytesPerPixel(), sw = src.width(), sh = src.height();
    const int dw = params.width, dh = params.height;
    Image dst;
    if (!dst.allocate(dw, dh, src.bitsPerPixel())) return false;
    const size_t midLen = size_t(dw) * size_t(c);
    // The buffer between the passes: dw × sh samples of 16 bits.
    if (uint64_t(midLen) * uint64_t(sh) * 2 > memoryLimit()) return fail(kErrMemory);
    std::vector<int16_t> mid;
    try {
        mid.resize(midLen * size_t(sh));
    } catch (const std::bad_alloc&) {
        return fail(kErrMemory);
    }
    const AxisWeights hx = axisWeights(sw, dw), vy = axisWeights(sh, dh);
    parallelRows(sh, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* s = src.row(y);
            int16_t* m = mid.data() + size_t(y) * midLen;
            for (int x = 0; x < dw; ++x) {
                const int* ii = hx.index.data() + size_t(x) * size_t(hx.taps);
                const int32_t* wi = hx.weight.data() + size_t(x) * size_t(hx.taps);
                for (int ch = 0; ch < c; ++ch) {
                    int32_t acc = 0;
                    for (int k = 0; k < hx.taps; ++k) acc += wi[k] * s[ii[k] * c + ch];
                    m[x * c + ch] = int16_t((acc + (1 << (kWeightBits - kMidBits - 1))) >>
                                            (kWeightBits - kMidBits));
                }
            }
        }
    });
    parallelRows(dh, [&](int y0, int y1) {
        std::vector<int32_t> acc(midLen);
        constexpr int kShift = kWeightBits + kMidBits;
        for (int y = y0; y < y1; ++y) {
            std::fill(acc.begin(), acc.end(), 1 << (kShift - 1));
            for (int k = 0; k < vy.taps; ++k) {
                const int32_t w = vy.weight[size_t(y) * size_t(vy.taps) + size_t(k)];
                if (w == 0) continue;
                const int16_t* m =
                    mid.data() + size_t(vy.index[size_t(y) * size_t(vy.taps) + size_t(k)]) * midLen;
                for (size_t i = 0; i < midLen; ++i) acc[i] += w * m[i];
            }
            uint8_t* d = dst.row(y);
            for (size_t i = 0; i < midLen; ++i)
                d[i] = uint8_t(std::clamp(acc[i] >> kShift, 0, 255));
        }
    });
    mid = {};
    return samplesToImage(std::move(dst), image, image);
}

}  // namespace ximora::engine
