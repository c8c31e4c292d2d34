#pragma once
// Row conversions shared by the encoders whose format cannot hold every nominal depth.

#include <cstdint>

#include "engine/core/image.h"

namespace ximora::engine {

/// Writes row `y` as width × (R, G, B) bytes: palette looked up, 5-6-5 widened, alpha dropped.
void rowToRgb(const Image& image, int y, uint8_t* out);

/// Writes row `y` as width × (R, G, B, A) bytes (A = 255 where the depth has no alpha).
void rowToRgba(const Image& image, int y, uint8_t* out);

/// Whether a palette image's indexes are its grey levels: the grey flag at 4 or 8 bits with a
/// black-to-white ramp, or a 1-bit image whose palette is black then white.
bool indexesAreGreyLevels(const Image& image);

}  // namespace ximora::engine
