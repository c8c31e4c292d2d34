#pragma once

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Ripple: rings spread from the centre of the area (of the image when the area is the whole
/// image or the outside of a polygon), as on water where a stone fell. Sizes are measured
/// against R, half the diagonal of that area's bounding box, so a ripple looks the same on a
/// small and on a large picture. The fields follow the dialog's argument order:
/// 20.0, wavelength, phase, 0, reflection.
struct RippleParams {
    /// Amplitude, the greatest shift of a pixel towards or away from the centre, in thousandths
    /// of R (20.0 = 2 %), 0 to 1000; 0 leaves the image unchanged.
    double amplitude = 20.0;
    /// Distance between rings in hundredths of R (10.0 = ten rings from the centre to a
    /// corner), 0 to 100; 0 leaves the image unchanged. Smaller values give more, finer rings.
    double wavelength = 10.0;
    /// Phase in cycles (the dialog offers 0 to 10): 1 moves every ring outwards by one
    /// wavelength, so stepping the phase animates the ripple.
    double phase = 0.5;
    /// Damping 0 to 1: the amplitude falls linearly to (1 − damping) at distance R.
    double damping = 0.0;
    /// When set, the rings are reflected at distance R and run back inwards at half their
    /// height, the two waves crossing each other (the highest shift stays `amplitude`).
    bool reflection = false;
};

/// Moves the covered pixels along the rings; pixels taken from beyond the image repeat its edge.
/// Palette and 16-bit images become 24-bit first. Fails with kErrBadParameter for values out of
/// range, kErrNoImage for an empty image; the image is unchanged then.
bool ripple(Image& image, const Area& area, const RippleParams& params);

}  // namespace ximora::engine
