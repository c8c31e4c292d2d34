#pragma once

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Emboss: the picture becomes a grey relief of its luminance, lit from one of eight sides.
struct EmbossParams {
    /// Filter mask 0 to 7, the side the light comes from: 0 upper left, 1 top, 2 upper right,
    /// 3 right, 4 lower right, 5 bottom, 6 lower left, 7 left (clockwise from upper left).
    int direction = 0;
    /// Edge emphasis 1 to 5: an edge whose luminance steps by D comes out D × emphasis away from
    /// the background; 1 is a shallow relief, 5 a deep one.
    int emphasis = 3;
    /// Background luminance 0 to 255: the grey of flat parts of the picture.
    int background = 100;
};

/// Replaces the covered pixels by the relief (R = G = B; the alpha of 32-bit images is kept).
/// Palette and 16-bit images become 24-bit first. Fails with kErrBadParameter for values out of
/// range, kErrNoImage for an empty image; the image is unchanged then.
bool emboss(Image& image, const Area& area, const EmbossParams& params);

}  // namespace ximora::engine
