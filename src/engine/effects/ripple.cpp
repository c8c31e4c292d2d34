#include "engine/effects/ripple.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/effects/effect_frame.h"
#include "engine/effects/warp.h"

namespace ximora::engine {

bool ripple(Image& image, const Area& area, const RippleParams& params) {
    const bool valid = params.amplitude >= 0 && params.amplitude <= 1000 &&
                       params.wavelength >= 0 && params.wavelength <= 100 &&
                       std::isfinite(params.phase) && params.damping >= 0 && params.damping <= 1;
    if (!prepareEffect(image, valid)) return false;
    if (params.amplitude == 0 || params.wavelength == 0) return true;

    const AreaMask mask(area, image.width(), image.height());
    const EffectFrame f = effectFrame(area, mask);
    const float reach = std::hypot(f.rx, f.ry);
    const float amplitude = float(params.amplitude / 1000) * reach;
    const float k = float(2 * std::numbers::pi / (params.wavelength / 100 * reach));
    const float phase = float(2 * std::numbers::pi * (params.phase - std::floor(params.phase)));
    const float damping = float(params.damping);
    return warp(image, mask, [&](int x, int y, float& sx, float& sy) {
        const float dx = float(x) - f.cx, dy = float(y) - f.cy;
        const float r = std::sqrt(dx * dx + dy * dy);
        if (r < 1e-3f) return false;
        float wave = std::sin(k * r - phase);
        // The echo from the rim is half as high, so the two waves never cancel out entirely.
        if (params.reflection) wave = (wave + std::sin(k * (2 * reach - r) - phase) / 2) / 1.5f;
        const float fade = 1 - damping * std::min(r / reach, 1.f);
        const float scale = 1 + amplitude * fade * wave / r;
        sx = f.cx + dx * scale;
        sy = f.cy + dy * scale;
        return true;
    });
}

}  // namespace ximora::engine
