#pragma once
// Where the centred effects (swirl, lens, ripple, radial and zoom blur) put their centre.

#include "engine/core/area.h"

namespace ximora::engine {

/// The rectangle a centred effect is fitted into, in pixel-centre coordinates (pixel x has its
/// centre at x): the bounding box of the covered pixels when the area is the inside of a
/// polygon, otherwise the whole image. `rx`, `ry` are half its width and height (at least 0.5).
struct EffectFrame {
    float cx = 0, cy = 0;
    float rx = 0.5f, ry = 0.5f;
};
EffectFrame effectFrame(const Area& area, const AreaMask& mask);

}  // namespace ximora::engine
