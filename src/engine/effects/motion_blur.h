#pragma once

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Motion blur: every pixel becomes the mean of the picture along a short trail through it,
/// centred on the pixel, as if the camera had moved during the exposure.
struct MotionBlurParams {
    /// Kind 0 linear (the camera slid along a line), 1 radial (it turned around the centre of the
    /// area: the trails are arcs), 2 zoom (it moved towards the centre: the trails point at it).
    /// The centre is that of the area's bounding box, or of the image when the area is the whole
    /// image or the outside of a polygon.
    int kind = 2;
    /// Trail length in pixels, 0 to 255; 0 leaves the image unchanged. Radial and zoom trails
    /// grow with the distance from the centre and reach this length at the farthest corner of
    /// the area's bounding box (on pictures smaller than the trail, at most a full turn or a
    /// scale range of e² from end to end).
    int length = 30;
    /// Direction of a linear trail in degrees, any value (taken modulo 360; 0 horizontal,
    /// 90 vertical, anticlockwise). Radial and zoom blurs have no direction and ignore it.
    int angle = 20;
};

/// Blurs the covered pixels; trails that leave the image repeat its edge. Alpha is blurred too.
/// Palette and 16-bit images become 24-bit first. Fails with kErrBadParameter for values out of
/// range, kErrNoImage for an empty image; the image is unchanged then.
bool motionBlur(Image& image, const Area& area, const MotionBlurParams& params);

}  // namespace ximora::engine
