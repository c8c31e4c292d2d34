#pragma once

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Swirl: the picture is twisted around the centre of the area (of the image when the area is
/// the whole image or the outside of a polygon), most at the centre and not at all at the rim
/// of the ellipse that fills the area's bounding box. The fields follow the dialog's argument
/// order: angle, 1.0, twist.
struct SwirlParams {
    /// Angle in degrees the centre is turned by at full twist, -3600 to 3600 (the dialog offers
    /// 1 to 360); positive turns anticlockwise.
    double angle = 360.0;
    /// Radius of the swirl as a fraction of the ellipse, above 0 up to 10 (1.0 = the ellipse).
    double radius = 1.0;
    /// Twist 0 to 1: the turn at relative distance d from the centre is
    /// twist × angle × (1 − d)²; 0 leaves the image unchanged.
    double twist = 1.0;
};

/// Turns the covered pixels inside the swirl's ellipse; pixels taken from beyond the image
/// repeat its edge. Palette and 16-bit images become 24-bit first. Fails with kErrBadParameter
/// for values out of range, kErrNoImage for an empty image; the image is unchanged then.
bool swirl(Image& image, const Area& area, const SwirlParams& params);

}  // namespace ximora::engine
