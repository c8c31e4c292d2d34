#pragma once
// The fixed palettes of colour reduction.

#include <vector>

#include "engine/core/image.h"

namespace ximora::engine {

/// The standard 16-colour palette (the VGA colours: black, maroon, green, olive, navy, purple,
/// teal, silver, grey, red, lime, yellow, blue, fuchsia, aqua, white), in that order.
std::vector<Colour> standard16Palette();

/// A uniform 256-colour palette: 8 levels of red × 8 of green × 4 of blue (3-3-2 bits),
/// index = r << 5 | g << 2 | b.
std::vector<Colour> uniform256Palette();

}  // namespace ximora::engine
