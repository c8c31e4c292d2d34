#include "engine/effects/motion_blur.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>
#include <vector>

#include "engine/effects/bilinear.h"
#include "engine/effects/covered_spans.h"
#include "engine/effects/effect_frame.h"
#include "engine/effects/prepare.h"

namespace ximora::engine {
namespace {

// 15-bit weights: every product with a channel value fits the 16 × 16 → 32-bit multiplies
// that vector units do fast.
constexpr int kOne = 1 << 15;

struct Tap {
    int dx, dy;
    int16_t weight;  // all taps sum to kOne
};

// The linear trail as a fixed kernel: length + 1 samples one pixel apart, each spread
// bilinearly over its four neighbouring pixels.
std::vector<Tap> lineKernel(int length, int angle) {
    const double a = (angle % 360) * std::numbers::pi / 180;
    const double ux = std::cos(a), uy = -std::sin(a);
    std::map<std::pair<int, int>, double> spread;
    const double share = 1.0 / (length + 1);
    for (int k = 0; k <= length; ++k) {
        const double t = k - length / 2.0;
        const double px = t * ux, py = t * uy;
        const double fx0 = std::floor(px), fy0 = std::floor(py);
        const double fx = px - fx0, fy = py - fy0;
        const int x0 = int(fx0), y0 = int(fy0);
        spread[{x0, y0}] += share * (1 - fx) * (1 - fy);
        spread[{x0 + 1, y0}] += share * fx * (1 - fy);
        spread[{x0, y0 + 1}] += share * (1 - fx) * fy;
        spread[{x0 + 1, y0 + 1}] += share * fx * fy;
    }
    // Samples one pixel apart never put the whole weight on one pixel, so each fits 15 bits.
    std::vector<Tap> taps;
    int total = 0;
    for (const auto& [at, w] : spread) {
        const int q = int(std::lround(w * kOne));
        if (q == 0) continue;
        taps.push_back({at.first, at.second, int16_t(q)});
        total += q;
    }
    // Rounding leaves the sum a few units off; the heaviest tap takes the difference.
    auto heaviest = std::max_element(
        taps.begin(), taps.end(), [](const Tap& l, const Tap& r) { return l.weight < r.weight; });
    heaviest->weight = int16_t(heaviest->weight + kOne - total);
    return taps;
}

void linearBlur(const Image& before, Image& image, const AreaMask& mask,
                const std::vector<Tap>& taps) {
    const int w = image.width(), h = image.height(), n = image.bytesPerPixel();
    forCoveredSpans(mask, [&](int y, int x0, int x1) {
        std::vector<int32_t> acc(size_t(x1 - x0) * size_t(n), 0);
        for (const Tap& tap : taps) {
            const uint8_t* src = before.row(std::clamp(y + tap.dy, 0, h - 1));
            const int16_t wt = tap.weight;
            // Pixels whose sample falls left or right of the image take the edge pixel; the run
            // between reads one contiguous stretch of the row.
            const int inner0 = std::clamp(-tap.dx, x0, x1),
                      inner1 = std::clamp(w - tap.dx, inner0, x1);
            int32_t* a = acc.data();
            for (int x = x0; x < inner0; ++x, a += n)
                for (int c = 0; c < n; ++c) a[c] += wt * src[c];
            const uint8_t* s = src + size_t(inner0 + tap.dx) * size_t(n);
            const int run = (inner1 - inner0) * n;
            for (int i = 0; i < run; ++i) a[i] += int32_t(wt) * int16_t(s[i]);
            a += run;
            const uint8_t* last = src + size_t(w - 1) * size_t(n);
            for (int x = inner1; x < x1; ++x, a += n)
                for (int c = 0; c < n; ++c) a[c] += wt * last[c];
        }
        uint8_t* out = image.row(y) + size_t(x0) * size_t(n);
        for (size_t i = 0; i < acc.size(); ++i) out[i] = uint8_t((acc[i] + kOne / 2) >> 15);
    });
}

// Radial and zoom trails change with the position, so each pixel samples its own.
template <int N>
void centredBlur(const Image& before, Image& image, const EffectFrame& f, const AreaMask& mask,
                 const MotionBlurParams& params) {
    const float reach = std::hypot(f.rx, f.ry);
    const SampleSource source(before);
    forCoveredSpans(mask, [&](int y, int x0, int x1) {
        uint8_t* out = image.row(y);
        for (int x = x0; x < x1; ++x) {
            const float dx = float(x) - f.cx, dy = float(y) - f.cy;
            const float r = std::sqrt(dx * dx + dy * dy);
            const float trail = std::min(float(params.length), params.length * r / reach);
            if (trail <= 0) continue;
            const int samples = std::min(256, int(std::ceil(trail)) + 1);
            uint32_t acc[N] = {};
            if (params.kind == 2) {
                // Along the ray through the centre, from r - trail/2 to r + trail/2.
                const float step = trail / r / float(samples - 1);
                float s = 1 - trail / r / 2;
                for (int k = 0; k < samples; ++k, s += step)
                    source.accumulate<N>(f.cx + dx * s, f.cy + dy * s, acc);
            } else {
                // Along the arc through the pixel, turned step by step from one end.
                const float arc = trail / r, step = arc / float(samples - 1);
                const float cs = std::cos(step), sn = std::sin(step);
                float vx = dx * std::cos(-arc / 2) - dy * std::sin(-arc / 2);
                float vy = dx * std::sin(-arc / 2) + dy * std::cos(-arc / 2);
                for (int k = 0; k < samples; ++k) {
                    source.accumulate<N>(f.cx + vx, f.cy + vy, acc);
                    const float nx = vx * cs - vy * sn;
                    vy = vx * sn + vy * cs;
                    vx = nx;
                }
            }
            const uint32_t scale = uint32_t(samples) * 65536;
            for (int c = 0; c < N; ++c)
                out[x * N + c] = uint8_t((uint64_t(acc[c]) + scale / 2) / scale);
        }
    });
}

}  // namespace

bool motionBlur(Image& image, const Area& area, const MotionBlurParams& params) {
    const bool valid =
        params.kind >= 0 && params.kind <= 2 && params.length >= 0 && params.length <= 255;
    if (!prepareEffect(image, valid)) return false;
    if (params.length == 0) return true;
    Image before;
    if (!snapshot(image, before)) return false;
    const AreaMask mask(area, image.width(), image.height());
    if (params.kind == 0)
        linearBlur(before, image, mask, lineKernel(params.length, params.angle));
    else if (image.bytesPerPixel() == 4)
        centredBlur<4>(before, image, effectFrame(area, mask), mask, params);
    else
        centredBlur<3>(before, image, effectFrame(area, mask), mask, params);
    return true;
}

}  // namespace ximora::engine
