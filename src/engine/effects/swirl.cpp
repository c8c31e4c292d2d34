#include "engine/effects/swirl.h"

#include <cmath>
#include <numbers>

#include "engine/effects/effect_frame.h"
#include "engine/effects/warp.h"

namespace ximora::engine {

bool swirl(Image& image, const Area& area, const SwirlParams& params) {
    const bool valid = std::abs(params.angle) <= 3600 && params.radius > 0 && params.radius <= 10 &&
                       params.twist >= 0 && params.twist <= 1;
    if (!prepareEffect(image, valid)) return false;
    if (params.angle == 0 || params.twist == 0) return true;

    const AreaMask mask(area, image.width(), image.height());
    const EffectFrame f = effectFrame(area, mask);
    const float ix = float(1 / (f.rx * params.radius)), iy = float(1 / (f.ry * params.radius));
    const float turn = float(params.twist * params.angle * std::numbers::pi / 180);
    return warp(image, mask, [&](int x, int y, float& sx, float& sy) {
        const float dx = float(x) - f.cx, dy = float(y) - f.cy;
        const float ex = dx * ix, ey = dy * iy;
        const float d2 = ex * ex + ey * ey;
        if (d2 >= 1) return false;
        const float rest = 1 - std::sqrt(d2);
        // The picture turns anticlockwise on screen (y grows downwards), so the source lies
        // clockwise of the pixel.
        const float a = turn * rest * rest, c = std::cos(a), s = std::sin(a);
        sx = f.cx + dx * c - dy * s;
        sy = f.cy + dx * s + dy * c;
        return true;
    });
}

}  // namespace ximora::engine
