#pragma once

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Wave: the picture ripples in parallel waves, as if seen through a corrugated glass.
/// The fields follow the dialog's argument order: direction, 0, wavelength, 10, phase, 1.
struct WaveParams {
    /// 0 horizontal: the crests follow each other along x and pixels move up and down;
    /// 1 vertical: the crests follow each other along y and pixels move left and right.
    int direction = 0;
    /// Wave form: 0 sine, 1 triangle (straight zigzag).
    int shape = 0;
    /// Wavelength in pixels, 0 to 65535; 0 leaves the image unchanged.
    int wavelength = 100;
    /// Amplitude in pixels (the greatest shift), 0 to 65535; 0 leaves the image unchanged.
    int amplitude = 10;
    /// Phase in cycles (0.5 = half a wavelength), any finite value; it shifts the waves along.
    double phase = 0.5;
    /// 1 samples between pixels (smooth), 0 takes the nearest pixel (hard steps).
    int smooth = 1;
};

/// Moves the covered pixels along the wave; pixels taken from beyond the image repeat its edge.
/// Palette and 16-bit images become 24-bit first. Fails with kErrBadParameter for values out of
/// range, kErrNoImage for an empty image; the image is unchanged then.
bool wave(Image& image, const Area& area, const WaveParams& params);

}  // namespace ximora::engine
