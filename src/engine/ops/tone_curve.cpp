#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/core/error.h"
#include "engine/ops/colour_function.h"
#include "engine/ops/tone.h"

namespace ximora::engine {
namespace {

struct Knot {
    double x, y;
};

// Fritsch–Carlson tangents: the interpolant is monotone wherever the data are.
std::vector<double> monotoneTangents(const std::vector<Knot>& k) {
    const size_t n = k.size();
    std::vector<double> secant(n - 1), m(n);
    for (size_t i = 0; i + 1 < n; ++i) secant[i] = (k[i + 1].y - k[i].y) / (k[i + 1].x - k[i].x);
    m[0] = secant[0];
    m[n - 1] = secant[n - 2];
    for (size_t i = 1; i + 1 < n; ++i)
        m[i] = secant[i - 1] * secant[i] <= 0 ? 0 : (secant[i - 1] + secant[i]) / 2;
    for (size_t i = 0; i + 1 < n; ++i) {
        if (secant[i] == 0) {
            m[i] = m[i + 1] = 0;
            continue;
        }
        const double a = m[i] / secant[i], b = m[i + 1] / secant[i];
        const double h = a * a + b * b;
        if (h > 9) {
            const double t = 3 / std::sqrt(h);
            m[i] = t * a * secant[i];
            m[i + 1] = t * b * secant[i];
        }
    }
    return m;
}

// YCrCb of JPEG (full range BT.601), in 16-bit fixed point.
constexpr int kShift = 16, kHalf = 1 << (kShift - 1);
constexpr int fix(double v) { return int(v * (1 << kShift) + (v < 0 ? -0.5 : 0.5)); }

uint8_t clampByte(int v) { return uint8_t(std::clamp(v, 0, 255)); }

}  // namespace

bool toneCurveTable(const std::array<int, 5>& inputs, const std::array<int, 5>& outputs,
                    std::array<uint8_t, 256>& table) {
    std::vector<Knot> knots;
    for (size_t i = 0; i < 5; ++i) {
        if (inputs[i] < 0 || inputs[i] > 255 || outputs[i] < 0 || outputs[i] > 255) return false;
        knots.push_back({double(inputs[i]), double(outputs[i])});
    }
    // Equal inputs keep the last point given.
    std::stable_sort(knots.begin(), knots.end(),
                     [](const Knot& a, const Knot& b) { return a.x < b.x; });
    std::vector<Knot> unique;
    for (const Knot& k : knots) {
        if (!unique.empty() && unique.back().x == k.x)
            unique.back() = k;
        else
            unique.push_back(k);
    }
    // Outside the given inputs: straight lines to (0, 0) and (255, 255).
    const Knot first = unique.front(), last = unique.back();
    const std::vector<double> m =
        unique.size() > 1 ? monotoneTangents(unique) : std::vector<double>{};
    size_t seg = 0;
    for (int v = 0; v < 256; ++v) {
        double y;
        if (v <= first.x) {
            y = first.x > 0 ? first.y * v / first.x : first.y;
        } else if (v >= last.x) {
            y = last.x < 255 ? last.y + (255 - last.y) * (v - last.x) / (255 - last.x) : last.y;
        } else {
            while (v > unique[seg + 1].x) ++seg;
            const Knot &a = unique[seg], &b = unique[seg + 1];
            const double h = b.x - a.x, t = (v - a.x) / h;
            const double t2 = t * t, t3 = t2 * t;
            y = (2 * t3 - 3 * t2 + 1) * a.y + (t3 - 2 * t2 + t) * h * m[seg] +
                (-2 * t3 + 3 * t2) * b.y + (t3 - t2) * h * m[seg + 1];
        }
        table[size_t(v)] = clampByte(int(std::lround(y)));
    }
    return true;
}

bool applyToneCurve(Image& image, const Area& area, const ToneCurveParams& params) {
    std::array<uint8_t, 256> curve;
    if (!toneCurveTable(params.inputs, params.outputs, curve)) return fail(kErrBadParameter);
    if (image.empty()) return fail(kErrNoImage);
    std::array<uint8_t, 256> identity;
    for (int v = 0; v < 256; ++v) identity[size_t(v)] = uint8_t(v);
    const auto& t0 = params.channels[0] ? curve : identity;
    const auto& t1 = params.channels[1] ? curve : identity;
    const auto& t2 = params.channels[2] ? curve : identity;
    if (params.space == ToneSpace::Rgb) {
        return applyColourFunction(image, area, [&](uint8_t& r, uint8_t& g, uint8_t& b) {
            r = t0[r], g = t1[g], b = t2[b];
        });
    }
    // Going through YCrCb and back is not lossless at 8 bits, so a curve that changes nothing
    // must not even make the round trip.
    if (t0 == identity && t1 == identity && t2 == identity) return true;
    return applyColourFunction(image, area, [&](uint8_t& r, uint8_t& g, uint8_t& b) {
        const int y = (fix(0.299) * r + fix(0.587) * g + fix(0.114) * b + kHalf) >> kShift;
        const int cb =
            ((-fix(0.168736) * r - fix(0.331264) * g + fix(0.5) * b + kHalf) >> kShift) + 128;
        const int cr =
            ((fix(0.5) * r - fix(0.418688) * g - fix(0.081312) * b + kHalf) >> kShift) + 128;
        const int ny = t0[clampByte(y)], ncr = t1[clampByte(cr)] - 128,
                  ncb = t2[clampByte(cb)] - 128;
        r = clampByte(ny + ((fix(1.402) * ncr + kHalf) >> kShift));
        g = clampByte(ny + ((-fix(0.344136) * ncb - fix(0.714136) * ncr + kHalf) >> kShift));
        b = clampByte(ny + ((fix(1.772) * ncb + kHalf) >> kShift));
    });
}

}  // namespace ximora::engine
