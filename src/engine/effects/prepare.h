#pragma once
// What every effect does before touching pixels: check its input, bring the image to full
// colour, keep a copy to sample from.

#include "engine/core/image.h"

namespace ximora::engine {

/// Converts a 1, 4, 8 (palette or grey) or 16-bit image to 24 bits per pixel in place: the
/// nominal depth becomes 24, the grey flag and the palette are dropped, resolution, comment and
/// metadata are kept. 24 and 32-bit images are left as they are. Fails with kErrNoImage for an
/// empty image, kErrMemory when the new raster does not fit the limits (image unchanged then).
bool toTrueColour(Image& image);

/// The common start of every effect: fails with kErrNoImage for an empty image, with
/// kErrBadParameter when `parametersValid` is false, then converts to full colour as
/// toTrueColour does. Nothing changes when it fails.
bool prepareEffect(Image& image, bool parametersValid);

/// Copies the raster of `image` into `copy` for effects that read neighbours of the pixels they
/// write. Fails with kErrMemory when there is no room (then `copy` is empty).
bool snapshot(const Image& image, Image& copy);

}  // namespace ximora::engine
