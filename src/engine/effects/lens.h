#pragma once

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Lens: a round magnifying glass fills the ellipse inscribed in the area's bounding box (the
/// image's when the area is the whole image or the outside of a polygon). The fields follow
/// the dialog's argument order: magnification, fill outside.
struct LensParams {
    /// Magnification at the centre of the lens, 0 to 100 (the dialog offers 0 to 10). Above 1
    /// the middle is enlarged that many times and the picture is squeezed towards the rim; below
    /// 1 the lens shrinks the middle instead; 1 and 0 (no lens) leave the inside unchanged. A
    /// point at relative distance d from the centre shows what lies at 1 − (1 − d)^(1/m).
    double magnification = 3.0;
    /// When set, the covered pixels outside the lens are painted with `background`.
    bool fillOutside = false;
    /// Colour painted outside the lens (alpha is used by 32-bit images only).
    Colour background{255, 255, 255, 255};
};

/// Magnifies the covered pixels inside the lens. Palette and 16-bit images become 24-bit first.
/// Fails with kErrBadParameter for values out of range, kErrNoImage for an empty image; the
/// image is unchanged then.
bool lens(Image& image, const Area& area, const LensParams& params);

}  // namespace ximora::engine
