#include "engine/effects/motion_blur.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>
#include <vector>

#include "engine/core/parallel.h"
#include "engine/effects/bilinear.h"
#include "engine/effects/centred_pass_wide.h"
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
            const int run = (inner1 - inner0) * n;
            if (run > 0) {  // with no run, inner0 + dx may lie left of the row
                const uint8_t* s = src + size_t(inner0 + tap.dx) * size_t(n);
                for (int i = 0; i < run; ++i) a[i] += int32_t(wt) * int16_t(s[i]);
                a += run;
            }
            const uint8_t* last = src + size_t(w - 1) * size_t(n);
            for (int x = inner1; x < x1; ++x, a += n)
                for (int c = 0; c < n; ++c) a[c] += wt * last[c];
        }
        uint8_t* out = image.row(y) + size_t(x0) * size_t(n);
        for (size_t i = 0; i < acc.size(); ++i) out[i] = uint8_t((acc[i] + kOne / 2) >> 15);
    });
}

// Radial and zoom trails span the same angle, or the same range of scales, at every pixel: the
// trail is as long as the distance from the centre allows. So the blur is the mean of 2^k copies
// of the picture turned (or scaled) about the centre in even steps. Averaging the picture with a
// copy turned by one step, the result with a copy turned by two steps, then four, and so on,
// builds all 2^k copies in k passes of one sample each instead of 2^k samples per pixel.
template <int N>
bool centredBlur(Image& before, Image& image, const EffectFrame& f, const AreaMask& mask,
                 const MotionBlurParams& params) {
    int passes = 1;
    while ((1 << passes) < params.length + 1) ++passes;
    const float reach = std::hypot(f.rx, f.ry);
    // The whole span in radians (radial) or in natural-log scale (zoom); the farthest corner
    // moves by the trail length. Tiny pictures stop at a full turn or a factor of e² either way.
    const double span =
        std::min(params.length / double(reach), params.kind == 1 ? 2 * std::numbers::pi : 2.0);
    const double step = span / ((1 << passes) - 1);
    Image spare;
    if (passes > 1 && !spare.allocate(image.width(), image.height(), image.bitsPerPixel()))
        return false;

    Image* from = &before;
    Image* to = &spare;
#ifdef XIMORA_WIDE_CENTRED_PASS
    // The vector passes address the raster with 32-bit offsets.
    const bool wide = wideCentredPassAvailable() && image.byteCount() < (size_t(1) << 31);
#endif
    for (int pass = 0; pass < passes; ++pass) {
        // The first pass also moves the copies back by half the span, so trails are centred.
        const double first = pass == 0 ? -span / 2 : 0, second = first + step * (1 << pass);
        const auto matrix = [&](double t) {
            return params.kind == 1
                       ? std::array<float, 4>{float(std::cos(t)), float(-std::sin(t)),
                                              float(std::sin(t)), float(std::cos(t))}
                       : std::array<float, 4>{float(std::exp(t)), 0.f, 0.f, float(std::exp(t))};
        };
        const std::array<float, 4> m0 = matrix(first), m1 = matrix(second);
        const SampleSource source(*from);
        const Image& src = *from;
        const bool last = pass == passes - 1;
        Image& dst = last ? image : *to;
        const auto run = [&](int y, int x0, int x1) {
            const float dy = float(y) - f.cy;
            uint8_t* out = dst.row(y);
            const auto pixel = [&](int x) {
                const float dx = float(x) - f.cx;
                uint32_t acc[N] = {};
                if (pass == 0) {
                    source.accumulate<N>(f.cx + m0[0] * dx + m0[1] * dy,
                                         f.cy + m0[2] * dx + m0[3] * dy, acc);
                } else {
                    const uint8_t* p = src.row(y) + x * N;
                    for (int c = 0; c < N; ++c) acc[c] = uint32_t(p[c]) << 16;
                }
                source.accumulate<N>(f.cx + m1[0] * dx + m1[1] * dy, f.cy + m1[2] * dx + m1[3] * dy,
                                     acc);
                for (int c = 0; c < N; ++c) out[x * N + c] = uint8_t((acc[c] + 65536) >> 17);
            };
            int x = x0;
#ifdef XIMORA_WIDE_CENTRED_PASS
            if (wide) {
                const CentredPassRow row{&source,    f.cx, f.cy, dy, pass == 0 ? &m0 : nullptr,
                                         src.row(y), m1};
                for (; x + 16 <= x1; x += 16)
                    if (!wideCentredGroup<N>(row, x, out + size_t(x) * N))
                        for (int i = x; i < x + 16; ++i) pixel(i);
            }
#endif
            for (; x < x1; ++x) pixel(x);
        };
        if (last) {
            forCoveredSpans(mask, run);
        } else {
            // Later passes sample anywhere, so the copies in between cover the whole picture.
            parallelRows(image.height(), [&](int y0, int y1) {
                for (int y = y0; y < y1; ++y) run(y, 0, image.width());
            });
        }
        std::swap(from, to);
    }
    return true;
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
    if (params.kind == 0) {
        linearBlur(before, image, mask, lineKernel(params.length, params.angle));
        return true;
    }
    const EffectFrame frame = effectFrame(area, mask);
    return image.bytesPerPixel() == 4 ? centredBlur<4>(before, image, frame, mask, params)
                                      : centredBlur<3>(before, image, frame, mask, params);
}

}  // namespace ximora::engine
