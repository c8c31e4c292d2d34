#pragma once
#include "engine/core/image.h"

namespace ximora::engine {

/// Turns the image by 180° in place (both mirrors at once).
bool turnHalf(Image& image);

}  // namespace ximora::engine
