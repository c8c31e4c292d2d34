#pragma once
#include "engine/core/image.h"

namespace ximora::engine {

/// The colour of pixel (x, y) (palette looked up, 5-6-5 widened, alpha 255 below 32 bits), as
/// the save-as dialog picks its transparent colour. Error 24 without an image, error 5 for a
/// pixel outside the image (colour unchanged then).
bool pickColour(const Image& image, int x, int y, Colour& colour);

}  // namespace ximora::engine
