#include "engine/effects/wave.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "engine/core/error.h"
#include "engine/effects/warp.h"

namespace ximora::engine {
namespace {

// One period of the wave form, t in cycles, result in [-1, 1].
double form(int shape, double t) {
    if (shape == 0) return std::sin(2 * std::numbers::pi * t);
    const double u = t - std::floor(t);
    return u < 0.25 ? 4 * u : u < 0.75 ? 2 - 4 * u : 4 * u - 4;
}

}  // namespace

bool wave(Image& image, const Area& area, const WaveParams& params) {
    const bool valid = (params.direction == 0 || params.direction == 1) &&
                       (params.shape == 0 || params.shape == 1) && params.wavelength >= 0 &&
                       params.wavelength <= kMaxSide && params.amplitude >= 0 &&
                       params.amplitude <= kMaxSide && std::isfinite(params.phase) &&
                       (params.smooth == 0 || params.smooth == 1);
    if (!prepareEffect(image, valid)) return false;
    if (params.wavelength == 0 || params.amplitude == 0) return true;

    // The shift depends only on the position along the wave: one table for the whole image.
    const bool across = params.direction == 0;
    const int along = across ? image.width() : image.height();
    std::vector<float> shift(size_t(along), 0.f);
    const double cycles = params.phase - std::floor(params.phase);
    for (int i = 0; i < along; ++i) {
        const double s =
            params.amplitude * form(params.shape, double(i) / params.wavelength + cycles);
        shift[size_t(i)] = float(params.smooth ? s : std::round(s));
    }
    const AreaMask mask(area, image.width(), image.height());
    return warp(image, mask, [&](int x, int y, float& sx, float& sy) {
        sx = float(x) + (across ? 0.f : shift[size_t(y)]);
        sy = float(y) + (across ? shift[size_t(x)] : 0.f);
        return true;
    });
}

}  // namespace ximora::engine
