#pragma once

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Canvas texture: the picture seems painted on woven cloth. Threads four pixels wide cross over
/// and under each other in an 8 × 8 pattern; the joints between them are shaded as grooves.
struct CanvasParams {
    /// Joint direction 0 to 3, the way the light falls across the weave and so which side of
    /// each joint is shaded: 0 top → right (light from the upper left), 1 top → left (from the
    /// upper right), 2 bottom → left (from the lower right), 3 bottom → right (from the lower
    /// left).
    int direction = 1;
    /// Joint depth 0 to 255: the most a pixel is lightened or darkened is depth / 2 levels;
    /// 0 leaves the image unchanged.
    int depth = 20;
};

/// Lightens and darkens the covered pixels (R, G and B alike; alpha kept) by the relief.
/// Palette and 16-bit images become 24-bit first. Fails with kErrBadParameter for values out of
/// range, kErrNoImage for an empty image; the image is unchanged then.
bool canvas(Image& image, const Area& area, const CanvasParams& params);

}  // namespace ximora::engine
