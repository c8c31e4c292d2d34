#include "engine/effects/lens.h"

#include <cmath>

#include "engine/effects/effect_frame.h"
#include "engine/effects/warp.h"

namespace ximora::engine {

bool lens(Image& image, const Area& area, const LensParams& params) {
    const bool valid = params.magnification >= 0 && params.magnification <= 100;
    if (!prepareEffect(image, valid)) return false;
    const bool bends = params.magnification != 0 && params.magnification != 1;
    if (params.magnification == 0 || (!bends && !params.fillOutside)) return true;

    const AreaMask mask(area, image.width(), image.height());
    const EffectFrame f = effectFrame(area, mask);
    const float ix = 1 / f.rx, iy = 1 / f.ry;
    const float power = float(1 / params.magnification);
    const int n = image.bytesPerPixel();
    const uint8_t fill[4] = {params.background.r, params.background.g, params.background.b,
                             params.background.a};
    if (bends && !warp(image, mask, [&](int x, int y, float& sx, float& sy) {
            const float dx = float(x) - f.cx, dy = float(y) - f.cy;
            const float ex = dx * ix, ey = dy * iy;
            const float d = std::sqrt(ex * ex + ey * ey);
            if (d >= 1 || d == 0) return false;
            const float scale = (1 - std::pow(1 - d, power)) / d;
            sx = f.cx + dx * scale;
            sy = f.cy + dy * scale;
            return true;
        }))
        return false;
    // Painted after bending, so the rim of the lens never samples the painted colour.
    if (params.fillOutside)
        forCoveredSpans(mask, [&](int y, int x0, int x1) {
            const float ey = (float(y) - f.cy) * iy;
            uint8_t* out = image.row(y);
            for (int x = x0; x < x1; ++x) {
                const float ex = (float(x) - f.cx) * ix;
                if (ex * ex + ey * ey >= 1)
                    for (int c = 0; c < n; ++c) out[x * n + c] = fill[c];
            }
        });
    return true;
}

}  // namespace ximora::engine
