#pragma once
// Bringing a picture's pixels into sRGB by its colour profile (thumbnails are kept in sRGB).

#include "engine/core/image.h"

namespace ximora::engine {

/// Whether the image's colour profile can describe its pixels: any picture for an RGB profile,
/// only a grey one (grey palette) for a grey profile, none without a profile or for other
/// colour spaces (a CMYK profile of a JPEG whose inks were turned into RGB on reading).
bool profileDescribesPixels(const Image& image);
/// The same for a picture known only by its profile and whether it is grey (a grey palette).
bool profileDescribesPixels(const std::vector<uint8_t>& icc, bool greyPicture);

/// Converts the colours of `image` from its profile (metadata.icc) to sRGB and drops the
/// profile: 24- and 32-bit pixels (alpha kept) and the palettes of 1-, 4- and 8-bit images.
/// The caller makes sure the profile fits the pixels (profileDescribesPixels of the picture
/// they come from); a grey profile reads the red of each colour as the grey level.
/// A grey image whose palette changes loses its grey flag. Without a profile, with one
/// that cannot be used, or at 16 bits, the pixels stay as they are (the profile is dropped all
/// the same, as the pixels are then taken for sRGB).
void convertToSrgb(Image& image);

}  // namespace ximora::engine
